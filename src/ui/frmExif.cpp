#include "ui/frmExif.h"

#include "platform/Twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>

QPointer<frmExif> frmExif::s_instance;

namespace {

// The window as it was designed, in twips; the text box keeps the margin
// on every side, the switch to the raw values below it.
namespace Design {
constexpr TwipsRect Client { 0, 0, 4530, 6795 };
constexpr int Margin = 60;
} // namespace Design

} // namespace

frmExif::frmExif(QWidget* owner, SettingsRecord& settings)
    : QWidget(owner, Qt::Tool)
    , m_settings(settings)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("EXIF INFO"));
    m_text = new QPlainTextEdit(QStringLiteral("Text1"), this);
    // Long texts scroll; lines wrap at the box's width.
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_raw = new QCheckBox(tr("&Raw values"), this);
    m_raw->setToolTip(tr("The values as the photo stores them"));
    connect(m_raw, &QCheckBox::toggled, this, &frmExif::showText);

    const int margin = Twips::toPixels(Design::Margin);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(margin);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_raw);

    resize(Design::Client.pixelSize());
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

void frmExif::ShowExif(const QString& readable, const QString& raw, QWidget* owner, SettingsRecord& settings)
{
    if (!s_instance) s_instance = new frmExif(owner, settings);
    s_instance->m_readable = readable;
    s_instance->m_rawText = raw;
    s_instance->showText();
    s_instance->show();
    s_instance->raise();
    s_instance->activateWindow();
    settings.ExifShown = true;
}

void frmExif::showText()
{
    m_text->setPlainText(m_raw->isChecked() ? m_rawText : m_readable);
}

frmExif* frmExif::instance()
{
    return s_instance.data();
}

void frmExif::closeExif()
{
    if (s_instance) s_instance->close();
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
