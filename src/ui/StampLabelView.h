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
// text. At a zoom of the preview the text is drawn as the printed one would
// look at that zoom: the same glyphs, scaled.
class StampLabelView : public QWidget {
    Q_OBJECT

public:
    explicit StampLabelView(QWidget* parent = nullptr);

    void setStamp(const QString& text, const QFont& font, const QColor& color, double zoom = 1.0,
        StampAnchoring::Side alignment = StampAnchoring::Side::Start);
    const QString& text() const { return m_text; }
    const QFont& stampFont() const { return m_font; }
    const QColor& color() const { return m_color; }
    double zoom() const { return m_zoom; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QFont m_font;
    QColor m_color;
    double m_zoom = 1.0;
    QStringList m_lines;
    QList<QPoint> m_starts;
};
