#pragma once

#include <QEvent>
#include <QFont>
#include <QImage>
#include <QString>
#include <QVariant>
#include <QWidget>

class QFrame;
class QLabel;
class QMouseEvent;
class PropertyBag;

// The value bar: a number shown as a horizontal bar filled from the left in
// fillColor up to Value / Max of the width, with a caption centred over it.
// Pressing or dragging the left mouse button across the bar chooses a value
// between Min and Max; so do the arrow keys, Page Up, Page Down, Home and End
// while the bar has the focus, which it shows.
//
// Min, Max and Value are kept exactly as assigned (a 16-bit or 32-bit
// integer, a double or a text such as "-10"); texts are read as numbers where
// a number is needed. Every assignment of Value draws the bar and raises
// Change, and so does every assignment of a property that redraws or lays the
// bar out, even when the new value equals the old one.
//
// The bar has two inner parts: the drawing surface surface, which always
// covers the whole control, and the caption captionLabel, a child of the surface.
// Positions on the surface (mouse X and Y, the caption's place) are pixels
// from the top left corner of the surface's inner area, inside its border.
class ValueBar : public QWidget {
    Q_OBJECT

public:
    // Identifier under which host windows keep their instances.
    static constexpr const char* ProgId = "Quillon.BarColor";

    explicit ValueBar(QWidget* parent = nullptr);
    ~ValueBar() override;

    // 0 flat, 1 three-dimensional border; lays the bar out.
    qint16 appearance() const { return m_appearance; }
    void setAppearance(qint16 appearance);

    // Colour of the unfilled part (0x00BBGGRR or 0x800000nn); redraws.
    quint32 backColor() const { return m_backColor; }
    void setBackColor(quint32 color);

    // 0 no border, 1 single border; lays the bar out.
    qint16 borderStyle() const { return m_borderStyle; }
    void setBorderStyle(qint16 style);

    // The caption as shown. Assigning appends captionSuffix when autoCaption is
    // on and centres the caption; it neither redraws nor raises Change.
    QString caption() const;
    void setCaption(const QString& caption);

    // The caption's font; lays the bar out. The family "MS Sans Serif" of
    // stored instances is drawn with a sans font of this system.
    QFont font() const;
    void setFont(const QFont& font);

    // The caption's text colour; redraws.
    quint32 foreColor() const { return m_foreColor; }
    void setForeColor(quint32 color);

    // Lowest value the mouse can choose; takes no part in drawing. Redraws.
    QVariant minimum() const { return m_min; }
    void setMinimum(const QVariant& min);

    // Value drawn as a full bar, highest value the mouse can choose. Redraws.
    QVariant maximum() const { return m_max; }
    void setMaximum(const QVariant& max);

    // Stores the value, draws the bar and raises Change.
    QVariant value() const { return m_value; }
    void setValue(const QVariant& value);

    // The value for a horizontal position X on the surface: Max * X / W,
    // rounded half to even, then limited to Max and afterwards to Min (so Min
    // wins when Min > Max). Steps that cannot be computed are skipped; the
    // result starts at 0.
    qint32 valueAtX(qint32 x) const;

    // Colour of the filled part; redraws.
    quint32 fillColor() const { return m_fillColor; }
    void setFillColor(quint32 color);

    // Whether the left mouse button chooses the value. Nothing is drawn.
    bool interactive() const { return m_interactive; }
    void setInteractive(bool interactive);

    // Unit text after the value in the caption (e.g. "%"); redraws.
    QString captionSuffix() const { return m_strExtend; }
    void setCaptionSuffix(const QString& text);

    // Whether drawing rewrites the caption as Value followed by captionSuffix.
    // Nothing is drawn: the caption changes at the next drawing.
    bool autoCaption() const { return m_autoCaption; }
    void setAutoCaption(bool autoCaption);

    // Persistence through the host's property bag. initProperties sets up a
    // new instance (0 to 100, value 50, "%"), readProperties restores a stored
    // one; neither draws: the first layout does.
    void initProperties();
    void readProperties(const PropertyBag& bag);

    // The inner parts, for hosts that need their geometry and for tests.
    QFrame* surface() const { return m_surface; }
    QLabel* captionLabel() const { return m_label; }
    // The caption's place on the surface (inside the surface's border).
    QPoint captionPosition() const;
    // Width and height of the surface's inner area.
    QSize surfaceSize() const;

signals:
    // Raised at the end of every drawing, i.e. after every assignment of Value.
    void valueChanged();
    void doubleClicked();
    // Button: 1 left, 2 right, 4 middle, added together for the buttons held
    // (for mouseReleased: the button released). Shift: 1 Shift, 2 Ctrl, 4 Alt.
    // X and Y are positions on the surface, also when the caption reports them.
    void mousePressed(qint16 button, qint16 shift, float x, float y);
    void mouseMoved(qint16 button, qint16 shift, float x, float y);
    void mouseReleased(qint16 button, qint16 shift, float x, float y);
    // Tells the host that its stored copy of the named property is out of date.
    void propertyChanged(const QString& name);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What a property assignment does to the bar besides storing the value:
    // nothing, a redraw (which raises Change), or a layout (which ends with
    // a redraw). The inner parts take the colour or border they show first.
    enum class Refresh { None, Redraw, LayOut };
    // The tail every property setter shares: refresh, then tell the host.
    void changed(const QString& name, Refresh refresh);
    template <typename T> void assign(T& field, const T& value, Refresh refresh, const QString& name)
    {
        field = value;
        changed(name, refresh);
    }

    void layOut();
    void redraw();
    void centreCaption();
    void setLabelText(const QString& text);
    void applyBorder();
    void applyForeColor();
    void paintSurface();
    void surfaceMouse(QEvent::Type type, QMouseEvent* event, QPointF surfacePos);
    // A key pressed while the bar has the focus; false when it is no key of
    // the bar's.
    bool surfaceKey(int key);
    QFont ambientFont() const;

    QFrame* m_surface = nullptr;
    QLabel* m_label = nullptr;
    // What has been drawn on the surface; kept between drawings, because a
    // drawing that cannot compute the fill leaves the previous image.
    QImage m_image;

    // Properties of the inner parts.
    qint16 m_appearance = 1;
    qint16 m_borderStyle = 1;
    quint32 m_backColor;
    quint32 m_fillColor = 255;
    quint32 m_foreColor = 0xFFFF;

    // The control's own fields, as they are before any properties are loaded.
    bool m_autoCaption = false;
    QString m_strExtend;
    bool m_interactive = false;
    QVariant m_min;
    QVariant m_max;
    QVariant m_value;
};
