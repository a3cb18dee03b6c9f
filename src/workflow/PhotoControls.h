#pragma once

#include <QFont>
#include <QString>

#include <cstdint>

// What the photo procedures read and set on the main window's controls, as
// a plain model that the engine owns and the window shows. Positions and
// sizes are in twips (15 to a pixel), single precision as the controls keep
// them.

// The preview image inside the viewport.
struct ImageControl {
    float Left = 0;
    float Top = 0;
    float Width = 9600;
    float Height = 7200;
    bool Visible = true;
    bool Stretch = true;
};

// One of the two stamp labels over the preview.
struct StampLabel {
    float Left = 0;
    float Top = 0;
    QString Caption;
    bool Visible = true;
    QFont Font;
    int32_t ForeColor = 0; // 0x00BBGGRR
};

struct PhotoControls {
    ImageControl Image1;
    StampLabel Label1; // the lower text, the stamp's stored reference
    StampLabel Label2; // the upper text, at Label1 plus the offsets
    // No photo at start: neither the viewport nor the display is shown.
    bool picScrollVisible = false;
    bool Picture1Visible = false;
    float Picture1Width = 9600;
    float Picture1Height = 7200;
    // No photo, no sizes.
    QString lblori; // the photo's own size
    QString lblfin; // the output size
    bool ShowDate = true; // the Show Date menu item's check mark
    bool EffectsEnabled = false; // Apply filter, Lighten, Darken
};
