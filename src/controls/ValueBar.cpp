#include "controls/ValueBar.h"

#include "controls/PropertyBag.h"
#include "platform/BgrColor.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <cfloat>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// Stored instances ask for "MS Sans Serif", a font Linux desktops do not
// have. Qt draws a substitute family instead, while the font keeps its family
// name, so a bar saves the font it was given back unchanged.
void substituteMissingFonts()
{
    static const bool done = [] {
        QFont::insertSubstitutions(
            QStringLiteral("MS Sans Serif"), { QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans") });
        return true;
    }();
    Q_UNUSED(done);
}

// The system's number format without thousands separators, for captions and
// for reading texts as numbers.
QLocale numberLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

// A stored value read as a number: nothing assigned reads as 0, a text must
// read as a number in the system's format or the plain one. Empty when it
// cannot be read, which makes the step that needed it fail.
std::optional<double> toNumber(const QVariant& value)
{
    if (!value.isValid()) return 0.0;
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        bool ok = false;
        double number = numberLocale().toDouble(text, &ok);
        if (!ok) number = text.toDouble(&ok);
        if (ok && std::isfinite(number)) return number;
        return std::nullopt;
    }
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (ok && std::isfinite(number)) return number;
    return std::nullopt;
}

// Conversion to a 32-bit integer: nearest, halves to even; out of range fails.
std::optional<qint32> toLong(double number)
{
    if (!std::isfinite(number)) return std::nullopt;
    const double rounded = std::nearbyint(number);
    if (rounded < double(std::numeric_limits<qint32>::min()) || rounded > double(std::numeric_limits<qint32>::max()))
        return std::nullopt;
    return qint32(rounded);
}

// A stored value as caption text: texts unchanged, numbers in the system's
// number format (a double shows up to 15 significant digits, a float 7).
QString toText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return QString();
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double: {
        const double number = value.toDouble();
        return numberLocale().toString(number == 0.0 ? 0.0 : number, 'g', 15);
    }
    case QMetaType::Float: {
        const float number = value.toFloat();
        return numberLocale().toString(number == 0.0f ? 0.0 : double(number), 'g', 7);
    }
    default:
        // The other numbers are integers.
        return PropertyBag::isNumber(value) ? numberLocale().toString(value.toLongLong()) : value.toString();
    }
}

qint16 mouseButtons(Qt::MouseButtons buttons)
{
    qint16 mask = 0;
    if (buttons & Qt::LeftButton) mask |= 1;
    if (buttons & Qt::RightButton) mask |= 2;
    if (buttons & Qt::MiddleButton) mask |= 4;
    return mask;
}

qint16 shiftKeys(Qt::KeyboardModifiers modifiers)
{
    qint16 mask = 0;
    if (modifiers & Qt::ShiftModifier) mask |= 1;
    if (modifiers & Qt::ControlModifier) mask |= 2;
    if (modifiers & Qt::AltModifier) mask |= 4;
    return mask;
}

QVariant shortValue(qint16 value)
{
    return QVariant::fromValue(value);
}

} // namespace

ValueBar::ValueBar(QWidget* parent)
    : QWidget(parent)
    , m_backColor(BgrColor::ButtonFace)
{
    substituteMissingFonts();

    m_surface = new QFrame(this);
    m_surface->setObjectName(QStringLiteral("surface"));
    m_surface->setFocusPolicy(Qt::StrongFocus);
    m_surface->setMouseTracking(true);
    m_surface->installEventFilter(this);
    setFocusProxy(m_surface);

    m_label = new QLabel(QStringLiteral("100"), m_surface);
    m_label->setObjectName(QStringLiteral("caption"));
    m_label->setTextFormat(Qt::PlainText);
    m_label->setMouseTracking(true);
    m_label->installEventFilter(this);

    applyBorder();
    applyForeColor();

    // Design size; the host's sizing replaces it and lays the bar out.
    resize(258, 34);
    m_surface->setGeometry(0, 0, 241, 29);
    m_label->adjustSize();
    m_label->move(m_surface->contentsRect().topLeft() + QPoint(104, 8));
    m_image = QImage(surfaceSize(), QImage::Format_RGB32);
    m_image.fill(BgrColor::toQColor(m_backColor));
}

ValueBar::~ValueBar() = default;

void ValueBar::setAppearance(qint16 appearance)
{
    assign(m_appearance, appearance, Refresh::LayOut, QStringLiteral("Appearance"));
}

void ValueBar::setBackColor(quint32 color)
{
    assign(m_backColor, color, Refresh::Redraw, QStringLiteral("BackColor"));
}

void ValueBar::setBorderStyle(qint16 style)
{
    assign(m_borderStyle, style, Refresh::LayOut, QStringLiteral("BorderStyle"));
}

QString ValueBar::caption() const
{
    return m_label->text();
}

void ValueBar::setCaption(const QString& caption)
{
    setLabelText(m_autoCaption ? caption + m_strExtend : caption);
    centreCaption();
    changed(QStringLiteral("Caption"), Refresh::None);
}

QFont ValueBar::font() const
{
    return m_label->font();
}

void ValueBar::setFont(const QFont& font)
{
    m_label->setFont(font);
    m_label->adjustSize();
    changed(QStringLiteral("Font"), Refresh::LayOut);
}

void ValueBar::setForeColor(quint32 color)
{
    assign(m_foreColor, color, Refresh::Redraw, QStringLiteral("ForeColor"));
}

void ValueBar::setMinimum(const QVariant& min)
{
    assign(m_min, min, Refresh::Redraw, QStringLiteral("Min"));
}

void ValueBar::setMaximum(const QVariant& max)
{
    assign(m_max, max, Refresh::Redraw, QStringLiteral("Max"));
}

void ValueBar::setValue(const QVariant& value)
{
    // The value is kept whatever happens below; a step that cannot be
    // computed is skipped and the next one runs.
    m_value = value;

    const QSize inner = surfaceSize();
    const std::optional<double> number = toNumber(m_value);
    const std::optional<double> max = toNumber(m_max);
    if (number && max && *max != 0.0 && !m_image.isNull()) {
        const double width = double(inner.width()) * (*number / *max);
        if (std::isfinite(width) && std::fabs(width) <= double(FLT_MAX)) {
            const float fill = float(width);
            // The boxes run between their two corners in either order: a value
            // above Max puts the backColor box right of the bar, a negative one
            // puts the fillColor box left of it. Only their part on the bar shows.
            const QRectF bar(0, 0, inner.width(), inner.height());
            const auto box = [&](double a, double b) {
                return QRectF(QPointF(std::min(a, b), 0), QPointF(std::max(a, b), inner.height())) & bar;
            };
            QPainter painter(&m_image);
            const QRectF back = box(fill, inner.width());
            if (!back.isEmpty()) painter.fillRect(back, BgrColor::toQColor(m_backColor));
            const QRectF filled = box(0, fill);
            if (!filled.isEmpty()) painter.fillRect(filled, BgrColor::toQColor(m_fillColor));
            m_surface->update();
        }
    }

    if (m_autoCaption) {
        setLabelText(toText(m_value) + m_strExtend);
        centreCaption();
    }
    emit valueChanged();
    emit propertyChanged(QStringLiteral("Value"));
}

qint32 ValueBar::valueAtX(qint32 x) const
{
    qint32 result = 0;
    const int width = surfaceSize().width();
    const std::optional<double> max = toNumber(m_max);
    if (width != 0 && max) {
        if (const auto value = toLong(*max * (double(x) / width))) result = *value;
    }
    if (max && result > *max) {
        if (const auto limit = toLong(*max)) result = *limit;
    }
    // Tested last, so Min wins when Min > Max.
    const std::optional<double> min = toNumber(m_min);
    if (min && result < *min) {
        if (const auto limit = toLong(*min)) result = *limit;
    }
    return result;
}

void ValueBar::setFillColor(quint32 color)
{
    assign(m_fillColor, color, Refresh::Redraw, QStringLiteral("FillColor"));
}

void ValueBar::setInteractive(bool interactive)
{
    assign(m_interactive, interactive, Refresh::None, QStringLiteral("Interactive"));
}

void ValueBar::setCaptionSuffix(const QString& text)
{
    assign(m_strExtend, text, Refresh::Redraw, QStringLiteral("StrExtend"));
}

void ValueBar::setAutoCaption(bool autoCaption)
{
    assign(m_autoCaption, autoCaption, Refresh::None, QStringLiteral("AutoCaption"));
}

void ValueBar::changed(const QString& name, Refresh refresh)
{
    switch (refresh) {
    case Refresh::None:
        break;
    case Refresh::Redraw:
        applyForeColor();
        redraw();
        break;
    case Refresh::LayOut:
        applyBorder();
        layOut();
        break;
    }
    emit propertyChanged(name);
}

void ValueBar::initProperties()
{
    m_min = shortValue(0);
    m_max = shortValue(100);
    m_value = shortValue(50);
    m_interactive = true;
    m_strExtend = QStringLiteral("%");
    m_autoCaption = true;
}

void ValueBar::readProperties(const PropertyBag& bag)
{
    m_appearance = qint16(bag.readProperty(QStringLiteral("Appearance"), shortValue(1)).toInt());
    m_backColor = bag.readProperty(QStringLiteral("BackColor"), BgrColor::ButtonFace).toUInt();
    m_borderStyle = qint16(bag.readProperty(QStringLiteral("BorderStyle"), shortValue(1)).toInt());
    applyBorder();
    // A stored caption already holds its unit text.
    setLabelText(bag.readProperty(QStringLiteral("Caption"), QStringLiteral("50")).toString());
    const QVariant font = bag.readProperty(QStringLiteral("Font"), ambientFont());
    m_label->setFont(font.canConvert<QFont>() ? qvariant_cast<QFont>(font) : ambientFont());
    m_label->adjustSize();
    m_foreColor = bag.readProperty(QStringLiteral("ForeColor"), BgrColor::ButtonText).toUInt();
    applyForeColor();
    m_min = bag.readProperty(QStringLiteral("Min"), shortValue(0));
    m_max = bag.readProperty(QStringLiteral("Max"), shortValue(100));
    m_value = bag.readProperty(QStringLiteral("Value"), shortValue(50));
    m_fillColor = bag.readProperty(QStringLiteral("FillColor"), quint32(255)).toUInt();
    m_interactive = bag.readProperty(QStringLiteral("Interactive"), true).toBool();
    m_strExtend = bag.readProperty(QStringLiteral("StrExtend"), QStringLiteral("%")).toString();
    m_autoCaption = bag.readProperty(QStringLiteral("AutoCaption"), true).toBool();
    m_surface->update();
}

QPoint ValueBar::captionPosition() const
{
    return m_label->pos() - m_surface->contentsRect().topLeft();
}

QSize ValueBar::surfaceSize() const
{
    return m_surface->contentsRect().size();
}

void ValueBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOut();
}

bool ValueBar::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseMove
        || type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick;
    if (watched == m_surface) {
        if (type == QEvent::Paint) {
            paintSurface();
            return false; // the frame then draws its border around the image
        }
        if (type == QEvent::FocusIn || type == QEvent::FocusOut) m_surface->update();
        if (type == QEvent::KeyPress && m_interactive) return surfaceKey(static_cast<QKeyEvent*>(event)->key());
        if (mouse) {
            auto* mouseEvent = static_cast<QMouseEvent*>(event);
            surfaceMouse(type, mouseEvent, mouseEvent->position() - QPointF(m_surface->contentsRect().topLeft()));
            return true;
        }
    } else if (watched == m_label && mouse) {
        // The caption covers the middle of the bar: presses and moves on it
        // count as on the surface below; releases and double clicks on it are
        // swallowed so that they do not reach the surface either.
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseMove) {
            auto* mouseEvent = static_cast<QMouseEvent*>(event);
            surfaceMouse(type, mouseEvent, mouseEvent->position() + QPointF(captionPosition()));
        }
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ValueBar::layOut()
{
    m_surface->setGeometry(0, 0, width(), height());

    // Keep what was drawn: a drawing that cannot compute the fill leaves it.
    const QSize inner = surfaceSize();
    if (inner != m_image.size()) {
        QImage image;
        if (!inner.isEmpty()) {
            image = QImage(inner, QImage::Format_RGB32);
            image.fill(BgrColor::toQColor(m_backColor));
            if (!m_image.isNull()) {
                QPainter painter(&image);
                painter.drawImage(0, 0, m_image);
            }
        }
        m_image = image;
    }

    centreCaption();
    redraw();
}

void ValueBar::redraw()
{
    setValue(m_value);
}

void ValueBar::centreCaption()
{
    // Sizes are whole pixels here, so the nearest-integer step of the
    // centring is exact and only the division truncates (toward zero: a
    // caption wider than the bar sits at a negative Left).
    const QSize inner = surfaceSize();
    const int left = (inner.width() - m_label->width()) / 2;
    const int top = (inner.height() - m_label->height()) / 2;
    m_label->move(m_surface->contentsRect().topLeft() + QPoint(left, top));
}

void ValueBar::setLabelText(const QString& text)
{
    m_label->setText(text);
    m_label->adjustSize();
}

void ValueBar::applyBorder()
{
    if (m_borderStyle == 0) {
        m_surface->setFrameStyle(QFrame::NoFrame);
    } else if (m_appearance == 0) {
        m_surface->setFrameStyle(QFrame::Box | QFrame::Plain);
        m_surface->setLineWidth(1);
    } else {
        m_surface->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_surface->setLineWidth(2);
    }
}

void ValueBar::applyForeColor()
{
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::WindowText, BgrColor::toQColor(m_foreColor));
    m_label->setPalette(palette);
}

void ValueBar::paintSurface()
{
    QPainter painter(m_surface);
    const QRect inner = m_surface->contentsRect();
    painter.fillRect(inner, BgrColor::toQColor(m_backColor));
    painter.drawImage(inner.topLeft(), m_image);
    if (m_surface->hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(m_surface);
        // Shown however the focus came, by the keyboard or the mouse.
        focus.state |= QStyle::State_KeyboardFocusChange;
        focus.rect = inner.adjusted(1, 1, -1, -1);
        focus.backgroundColor = BgrColor::toQColor(m_backColor);
        m_surface->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, m_surface);
    }
}

bool ValueBar::surfaceKey(int key)
{
    // Arrows move by one, Page Up and Page Down by ten, Home and End go to
    // the ends; the value stays between Min and Max (Min wins when Min > Max,
    // as for the mouse).
    double step = 0;
    switch (key) {
    case Qt::Key_Right:
    case Qt::Key_Up:
        step = 1;
        break;
    case Qt::Key_Left:
    case Qt::Key_Down:
        step = -1;
        break;
    case Qt::Key_PageUp:
        step = 10;
        break;
    case Qt::Key_PageDown:
        step = -10;
        break;
    case Qt::Key_Home:
    case Qt::Key_End:
        break;
    default:
        return false;
    }
    const std::optional<double> value = toNumber(m_value);
    const std::optional<double> min = toNumber(m_min);
    const std::optional<double> max = toNumber(m_max);
    if (!value || !min || !max) return true;
    double target = key == Qt::Key_Home ? *min : key == Qt::Key_End ? *max : std::nearbyint(*value) + step;
    target = std::max(std::min(target, *max), *min);
    const std::optional<qint32> next = toLong(target);
    if (next && double(*next) != *value) setValue(*next);
    return true;
}

void ValueBar::surfaceMouse(QEvent::Type type, QMouseEvent* event, QPointF surfacePos)
{
    const qint16 shift = shiftKeys(event->modifiers());
    const float x = float(surfacePos.x());
    const float y = float(surfacePos.y());
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove: {
        // During a move Button holds every button down, so only a drag with
        // the left button alone chooses a value.
        const qint16 button = mouseButtons(event->buttons());
        if (type == QEvent::MouseButtonPress)
            emit mousePressed(button, shift, x, y);
        else
            emit mouseMoved(button, shift, x, y);
        if (m_interactive && button == 1) {
            if (const auto position = toLong(double(x))) setValue(valueAtX(*position));
        }
        break;
    }
    case QEvent::MouseButtonRelease:
        emit mouseReleased(mouseButtons(event->button()), shift, x, y);
        break;
    case QEvent::MouseButtonDblClick:
        emit doubleClicked();
        break;
    default:
        break;
    }
}

QFont ValueBar::ambientFont() const
{
    return QWidget::font();
}
