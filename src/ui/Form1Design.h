#pragma once

#include "platform/Twips.h"

// The main window as it was designed, in twips: its client area, the left
// column's controls, the output options inside their frame, and the picture
// area. The window is built from this table and nowhere else names a place.
namespace Form1Design {

inline constexpr TwipsRect Client { 0, 0, 13440, 7500 };

// The left column.
inline constexpr TwipsRect TheDrive { 0, 120, 3375, 315 };
inline constexpr TwipsRect TheDir { 0, 540, 3375, 2340 };
inline constexpr TwipsRect TheFile { 0, 2940, 3375, 2040 };
inline constexpr TwipsRect frJPG { 0, 5040, 3375, 1755 };
inline constexpr TwipsRect lblori { 0, 6840, 705, 195 };
inline constexpr TwipsRect Label3 { 840, 6840, 180, 195 };
inline constexpr TwipsRect lblfin { 1080, 6840, 705, 195 };

// Inside frJPG.
inline constexpr TwipsRect slQuality { 120, 300, 3075, 315 };
inline constexpr TwipsRect chkMiniature { 180, 1080, 1575, 315 };
inline constexpr TwipsRect opWidth { 1860, 960, 855, 195 };
inline constexpr TwipsRect txtWidth { 2760, 900, 435, 285 };
inline constexpr TwipsRect opHeigth { 1860, 1320, 855, 195 };
inline constexpr TwipsRect txtHeight { 2760, 1260, 435, 285 };

// The picture area.
inline constexpr TwipsRect picScroll { 3480, 60, 3495, 1935 };
inline constexpr TwipsRect Image1 { 0, 0, 9600, 7200 };
inline constexpr TwipsRect Label1 { 0, 0, 1575, 1785 };
inline constexpr TwipsRect Label2 { 0, 0, 1635, 765 };
inline constexpr TwipsRect Picture1 { 3540, 60, 9600, 7200 };

// The viewport keeps this much room to the window's right and bottom edges.
inline constexpr int ViewportMargin = 120;

} // namespace Form1Design
