#pragma once

#include "platform/Twips.h"

class QWidget;

// The dialogs' layouts give each control at least its design size, and
// never less than its text needs.
class DesignSize {
public:
    // Call once the control has its text and font.
    static void setMinimum(QWidget* control, const TwipsRect& design);
};
