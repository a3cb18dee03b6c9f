#include "ui/DesignSize.h"

#include <QWidget>

void DesignSize::setMinimum(QWidget* control, const TwipsRect& design)
{
    control->setMinimumSize(design.pixelSize().expandedTo(control->minimumSizeHint()));
}
