#pragma once

#include "files/StampAnchoring.h"

#include <QColor>
#include <QFont>
#include <QWidget>

// One text of the date stamp over the preview: glyphs only, on a
// transparent background, drawn with the font that the printed stamp uses
// (at its pixel size), its top-left corner at the widget's; several lines
// where the printed stamp puts them (StampPlacement::lineStarts). The
// widget takes the size of its text, so that what can be grabbed is the
// text.
class StampLabelView : public QWidget {
    Q_OBJECT

public:
    explicit StampLabelView(QWidget* parent = nullptr);

    void setStamp(const QString& text, const QFont& font, const QColor& color,
        StampAnchoring::Side alignment = StampAnchoring::Side::Start);
    const QString& text() const { return m_text; }
    const QFont& stampFont() const { return m_font; }
    const QColor& color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QFont m_font;
    QColor m_color;
    QStringList m_lines;
    QList<QPoint> m_starts;
};
