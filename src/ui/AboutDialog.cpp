#include "ui/AboutDialog.h"

#include "platform/BgrColor.h"
#include "platform/ExecutableInfo.h"
#include "ui/AboutAnimation.h"
#include "ui/DesktopLauncher.h"
#include "ui/DialogFont.h"

#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <qdrawutil.h>

const QString AboutDialog::AppTitle = QStringLiteral("Quillon");
const QString AboutDialog::OrganisationName = QStringLiteral("Quillon Project");
const QString AboutDialog::WebPage = QStringLiteral("https://quillon.example.org");
const QString AboutDialog::EMail = QStringLiteral("quillon@example.org");
const QString AboutDialog::ImagingCreditPage = QStringLiteral("https://quillon.example.org/jpg");
const QString AboutDialog::ExifCreditPage = QStringLiteral("https://quillon.example.org/exif");

namespace {

constexpr int Tw = AboutDialog::TwipsPerPixel;
constexpr int Inset = AboutDialog::BorderTwips / Tw;

// The window as it was designed, in twips; places inside the client area
// count from the inside of the thin border.
namespace Design {
constexpr TwipsRect Client { 0, 0, 5805, 2895 };
constexpr TwipsRect ApplicationCaption { 2700, 360, 960, 195 };
constexpr TwipsRect appNameLabel { 3780, 360, 630, 195 };
constexpr TwipsRect VersionCaption { 2700, 660, 975, 195 };
constexpr TwipsRect versionLabel { 3780, 660, 3495, 195 };
constexpr TwipsRect ExeCaption { 2700, 960, 975, 195 };
constexpr TwipsRect exeLabel { 3780, 960, 1695, 195 };
constexpr TwipsRect CopyRightCaption { 2700, 1260, 960, 195 };
constexpr TwipsRect copyrightLabel { 3780, 1260, 1560, 195 };
constexpr TwipsRect OrganisationCaption { 2700, 1560, 915, 195 };
constexpr TwipsRect organisationLabel { 3780, 1560, 975, 195 };
constexpr TwipsRect Label8 { 120, 2040, 1455, 375 };
constexpr TwipsRect imagingCreditLabel { 120, 2520, 2190, 195 };
constexpr TwipsRect ExifCaption { 3120, 2160, 1395, 195 };
constexpr TwipsRect exifCreditLabel { 3120, 2520, 1995, 195 };
constexpr TwipsRect buttonFrame { 120, 420, 2460, 1335 };
// The animation's strip of frames, inside buttonFrame.
constexpr TwipsRect animationImage { 0, 0, 2400, 19125 };
constexpr TwipsRect exitLabel { 5580, 75, 165, 165 };
// The close button's frame, from the cross's corner.
constexpr TwipsRect ExitFrame { -45, -60, 240, 240 };
} // namespace Design

QRect clientRect(const TwipsRect& design)
{
    return design.pixels().translated(Inset, Inset);
}

// The drawn cross of the close button.
QPixmap crossPixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(Qt::black, 1.6));
    painter.setRenderHint(QPainter::Antialiasing);
    const double a = 2.5;
    const double b = size - 2.5;
    painter.drawLine(QPointF(a, a), QPointF(b, b));
    painter.drawLine(QPointF(a, b), QPointF(b, a));
    return pixmap;
}

// One half of a button's frame around the cross: the upper-left edge or
// the lower-right one, in the given colour.
QPixmap edgePixmap(int size, bool upperLeft, const QColor& color)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(color);
    const int low = 2;
    const int high = size - 1;
    if (upperLeft) {
        painter.drawLine(low, low + 1, low, high);
        painter.drawLine(low, low + 1, high, low + 1);
    } else {
        painter.drawLine(high, low + 1, high, high);
        painter.drawLine(low, high, high, high);
    }
    return pixmap;
}

QList<int> parseDurations(const QString& text)
{
    QList<int> durations;
    for (const QString& piece : text.split(QLatin1Char(','))) {
        if (durations.size() == AboutAnimation::FrameCount) break;
        durations << piece.trimmed().toInt();
    }
    // A short text would leave frames without a time: they take the last one.
    while (durations.size() < AboutAnimation::FrameCount)
        durations << (durations.isEmpty() ? 200 : durations.last());
    return durations;
}

} // namespace

AboutDialog::AboutDialog(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::FramelessWindowHint)
{
    setFixedSize(Design::Client.pixelSize() + QSize(2 * Inset, 2 * Inset));
    setFont(DialogFont::sansSerif());
    setMouseTracking(true);
    m_band = AboutAnimation::band();

    addLabel(tr("Application   :"), Design::ApplicationCaption);
    m_appName = addLabel(AppTitle, Design::appNameLabel);
    addLabel(tr("Version         :"), Design::VersionCaption);
    m_version = addLabel(ExecutableInfo::version(), Design::versionLabel);
    addLabel(tr("Executable   :"), Design::ExeCaption);
    m_exe = addLabel(QFileInfo(ExecutableInfo::filePath()).fileName(), Design::exeLabel);
    addLabel(tr("Copyright    :"), Design::CopyRightCaption);
    m_copyRight = addLink(EMail, Design::copyrightLabel, 0xFF0000);
    addLabel(tr("Organisation :"), Design::OrganisationCaption);
    m_cieName = addLink(OrganisationName, Design::organisationLabel, 0x800080);
    QLabel* label8 = addLabel(tr("Image Processor and JPG save by"), Design::Label8);
    label8->setWordWrap(true);
    label8->setGeometry(clientRect(Design::Label8)); // two lines in its own width
    label8->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_imagingCreditLabel = addLink(ImagingCreditPage, Design::imagingCreditLabel, 0x800080);
    addLabel(tr("Extract EXIF info by"), Design::ExifCaption);
    m_exifCreditLabel = addLink(ExifCreditPage, Design::exifCreditLabel, 0x800080);

    m_buttonFrame = new QFrame(this);
    m_buttonFrame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_buttonFrame->setLineWidth(2);
    m_buttonFrame->setGeometry(clientRect(Design::buttonFrame));
    m_animationImage = new QLabel(m_buttonFrame);
    m_animationImage->setPixmap(QPixmap::fromImage(AboutAnimation::strip()));
    m_animationImage->setGeometry(Design::animationImage.pixels().translated(m_buttonFrame->contentsRect().topLeft()));
    m_animationImage->installEventFilter(this);

    // The close button: a frame of two edges, shown while the pointer is
    // over the cross, which lies in front of it.
    const QRect exitRect = clientRect(Design::exitLabel);
    m_top = new QLabel(this);
    m_down = new QLabel(this);
    for (QLabel* edge : { m_top, m_down }) {
        edge->setGeometry(Design::ExitFrame.pixels().translated(exitRect.topLeft()));
        edge->hide();
    }
    m_exit = new QLabel(this);
    m_exit->setGeometry(exitRect);
    m_exit->setPixmap(crossPixmap(exitRect.width()));
    m_exit->installEventFilter(this);
    m_exitHome = exitRect.topLeft();
    setSunken(false);

    m_durations = parseDurations(QStringLiteral("1000,200,200,200,200,1000,200,200,200,200,1000,200,200,200,100"));
    m_timer = new QTimer(this);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &AboutDialog::animationStep);
    m_timer->start();
}

QLabel* AboutDialog::addLabel(const QString& text, const TwipsRect& place)
{
    auto* label = new QLabel(text, this);
    label->setGeometry(clientRect(place));
    // Values longer than their place show whole rather than cut.
    if (label->sizeHint().width() > label->width()) label->resize(label->sizeHint().width(), label->height());
    return label;
}

QLabel* AboutDialog::addLink(const QString& text, const TwipsRect& place, quint32 color)
{
    QLabel* label = addLabel(text, place);
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, BgrColor::toQColor(color));
    label->setPalette(palette);
    label->setCursor(Qt::PointingHandCursor);
    label->installEventFilter(this);
    return label;
}

QString AboutDialog::linkOf(const QLabel* label) const
{
    if (label == m_imagingCreditLabel || label == m_exifCreditLabel) return label->text();
    if (label == m_cieName) return WebPage;
    if (label == m_copyRight)
        return QStringLiteral("mailto:%1?subject=About %2 %3").arg(EMail, m_appName->text(), m_version->text());
    return QString();
}

void AboutDialog::animationStep()
{
    m_frame = (m_frame + 1) % AboutAnimation::FrameCount;
    m_animationImage->move(
        m_animationImage->x(), m_buttonFrame->contentsRect().top() - m_frame * AboutAnimation::FrameHeight);
    m_timer->setInterval(m_durations.value(m_frame));
}

int AboutDialog::animationTop() const
{
    return (m_animationImage->y() - m_buttonFrame->contentsRect().top()) * Tw;
}

void AboutDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.drawImage(Inset, Inset, m_band);
    qDrawWinPanel(&painter, rect(), palette(), false);
}

void AboutDialog::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->position().toPoint() * Tw;
}

void AboutDialog::mouseMoveEvent(QMouseEvent* event)
{
    showButtonFrame(false);
    if (!(event->buttons() & Qt::LeftButton)) return;
    // The window follows the pointer: the pressed point stays under it.
    const QPoint offset = event->position().toPoint() * Tw - m_pressed;
    move(pos() + offset / Tw);
    raise();
}

void AboutDialog::showButtonFrame(bool visible)
{
    m_top->setVisible(visible);
    m_down->setVisible(visible);
    if (visible) m_exit->raise();
}

void AboutDialog::setSunken(bool sunken)
{
    const int size = m_top->width();
    m_top->setPixmap(edgePixmap(size, true, sunken ? Qt::black : Qt::white));
    m_down->setPixmap(edgePixmap(size, false, sunken ? Qt::white : Qt::black));
    m_exit->move(m_exitHome + (sunken ? QPoint(1, 1) : QPoint(0, 0)));
}

bool AboutDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_animationImage) return animationEvent(event);
    if (watched == m_exit) return exitEvent(event);
    auto* label = qobject_cast<QLabel*>(watched);
    const QString link = label ? linkOf(label) : QString();
    if (link.isEmpty()) return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) return true; // a press on a link does not start moving the window
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && label->rect().contains(mouse->position().toPoint()))
            DesktopLauncher::open(link, 10, QString(), QString(), QStringLiteral("open"), 0);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool AboutDialog::animationEvent(QEvent* event)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease) return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (event->type() == QEvent::MouseButtonPress) {
        if (mouse->button() == Qt::LeftButton && m_timer->isActive())
            m_timer->stop();
        else if (mouse->button() == Qt::RightButton && !m_timer->isActive())
            animationStep();
    } else if (mouse->button() == Qt::LeftButton && !m_timer->isActive()) {
        m_timer->start();
    }
    return true;
}

bool AboutDialog::exitEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Enter:
        showButtonFrame(true);
        return false;
    case QEvent::Leave:
        showButtonFrame(false);
        return false;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) setSunken(true);
        return true;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return true;
        setSunken(false);
        // A release away from the cross is no click.
        if (m_exit->rect().contains(mouse->position().toPoint())) close();
        return true;
    }
    default:
        return false;
    }
}
