#pragma once

#include "platform/Twips.h"

// The main window as it was designed, in twips: its client area, the left
// column's controls, the output options inside their frame, and the picture
// area. The window is built from this table and nowhere else names a place.
namespace MainWindowDesign {

inline constexpr TwipsRect Client { 0, 0, 13440, 7500 };

// The left column.
inline constexpr TwipsRect driveList { 0, 120, 3375, 315 };
inline constexpr TwipsRect folderList { 0, 540, 3375, 2340 };
inline constexpr TwipsRect fileList { 0, 2940, 3375, 2040 };
inline constexpr TwipsRect jpegOptionsBox { 0, 5040, 3375, 1755 };
inline constexpr TwipsRect photoSizeLabel { 0, 6840, 705, 195 };
inline constexpr TwipsRect sizeArrowLabel { 840, 6840, 180, 195 };
inline constexpr TwipsRect outputSizeLabel { 1080, 6840, 705, 195 };

// Inside jpegOptionsBox.
inline constexpr TwipsRect qualityBar { 120, 300, 3075, 315 };
inline constexpr TwipsRect thumbnailCheck { 180, 1080, 1575, 315 };
inline constexpr TwipsRect thumbnailWidthOption { 1860, 960, 855, 195 };
inline constexpr TwipsRect thumbnailWidthEdit { 2760, 900, 435, 285 };
inline constexpr TwipsRect thumbnailHeightOption { 1860, 1320, 855, 195 };
inline constexpr TwipsRect thumbnailHeightEdit { 2760, 1260, 435, 285 };

// The picture area.
inline constexpr TwipsRect previewViewport { 3480, 60, 3495, 1935 };
inline constexpr TwipsRect previewImage { 0, 0, 9600, 7200 };
inline constexpr TwipsRect stampLowerLabel { 0, 0, 1575, 1785 };
inline constexpr TwipsRect stampUpperLabel { 0, 0, 1635, 765 };
inline constexpr TwipsRect displayView { 3540, 60, 9600, 7200 };

// The viewport keeps this much room to the window's right and bottom edges.
inline constexpr int ViewportMargin = 120;

} // namespace MainWindowDesign
