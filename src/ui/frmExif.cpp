#include "ui/frmExif.h"

#include "platform/Twips.h"

#include <QCloseEvent>
#include <QPlainTextEdit>

QPointer<frmExif> frmExif::s_instance;

namespace {

// The window as it was designed, in twips; the text box keeps the margin
// on every side once the window is shown.
namespace Design {
constexpr TwipsRect Client { 0, 0, 4530, 6795 };
constexpr TwipsRect Text1 { 120, 120, 3735, 5895 };
constexpr int Margin = 60;
} // namespace Design

} // namespace

frmExif::frmExif(QWidget* owner, SettingsRecord& settings)
    : QWidget(owner, Qt::Window)
    , m_settings(settings)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("EXIF INFO"));
    resize(Design::Client.pixelSize());
    m_text = new QPlainTextEdit(QStringLiteral("Text1"), this);
    m_text->setGeometry(Design::Text1.pixels());
    // Long texts scroll; lines wrap at the box's width.
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    if (owner) {
        const QPoint centre = owner->geometry().center();
        move(centre.x() - width() / 2, centre.y() - height() / 2);
    }
}

frmExif::~frmExif()
{
    // Taken down with its owner while open. A window that was closed
    // before has already said so, and a newer one may be open by now.
    if (s_instance == this) m_settings.ExifShown = false;
}

void frmExif::ShowExif(const QString& s, QWidget* owner, SettingsRecord& settings)
{
    if (!s_instance) s_instance = new frmExif(owner, settings);
    s_instance->m_text->setPlainText(s);
    s_instance->show();
    s_instance->raise();
    s_instance->activateWindow();
    settings.ExifShown = true;
}

frmExif* frmExif::instance()
{
    return s_instance.data();
}

void frmExif::closeExif()
{
    if (s_instance) s_instance->close();
}

void frmExif::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void frmExif::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (!event->isAccepted()) return;
    m_settings.ExifShown = false;
    // The window goes away at the next turn of the event loop; a ShowExif
    // before that opens a new one.
    if (s_instance == this) s_instance = nullptr;
}

void frmExif::layOut()
{
    // A margin of 60 twips on every side; a window too small for it leaves
    // the box where it was rather than giving it no size at all.
    const int margin = Twips::toPixels(Design::Margin);
    const int width = this->width() - 2 * margin;
    const int height = this->height() - 2 * margin;
    if (width <= 0 || height <= 0) return;
    m_text->setGeometry(margin, margin, width, height);
}
