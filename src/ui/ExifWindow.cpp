#include "ui/ExifWindow.h"

#include "platform/Twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

QPointer<ExifWindow> ExifWindow::s_instance;

namespace {

// The window as it was designed, in twips; the text box keeps the margin
// on every side, the switch to the raw values below it.
namespace Design {
constexpr TwipsRect Client { 0, 0, 4530, 6795 };
constexpr int Margin = 60;
} // namespace Design

} // namespace

ExifWindow::ExifWindow(QWidget* owner, Settings& settings)
    : QWidget(owner, Qt::Tool)
    , m_settings(settings)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("EXIF INFO"));
    m_dateSource = new QLabel(this);
    m_dateSource->setWordWrap(true);
    m_dateSource->hide();
    m_text = new QPlainTextEdit(QStringLiteral("Text1"), this);
    // Long texts scroll; lines wrap at the box's width.
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_raw = new QCheckBox(tr("&Raw values"), this);
    m_raw->setToolTip(tr("The values as the photo stores them"));
    connect(m_raw, &QCheckBox::toggled, this, &ExifWindow::showText);

    const int margin = Twips::toPixels(Design::Margin);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(margin);
    layout->addWidget(m_dateSource);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_raw);

    resize(Design::Client.pixelSize());
    if (owner) {
        const QPoint centre = owner->geometry().center();
        move(centre.x() - width() / 2, centre.y() - height() / 2);
    }
}

ExifWindow::~ExifWindow()
{
    // Taken down with its owner while open. A window that was closed
    // before has already said so, and a newer one may be open by now.
    if (s_instance == this) m_settings.exifShown = false;
}

void ExifWindow::showExif(
    const QString& readable, const QString& raw, const QString& dateSource, QWidget* owner, Settings& settings)
{
    if (!s_instance) s_instance = new ExifWindow(owner, settings);
    s_instance->m_dateSource->setText(dateSource);
    s_instance->m_dateSource->setVisible(!dateSource.isEmpty());
    s_instance->m_readable = readable;
    s_instance->m_rawText = raw;
    s_instance->showText();
    s_instance->show();
    s_instance->raise();
    s_instance->activateWindow();
    settings.exifShown = true;
}

void ExifWindow::showText()
{
    m_text->setPlainText(m_raw->isChecked() ? m_rawText : m_readable);
}

ExifWindow* ExifWindow::instance()
{
    return s_instance.data();
}

void ExifWindow::closeExif()
{
    if (s_instance) s_instance->close();
}

void ExifWindow::keyPressEvent(QKeyEvent* event)
{
    // Closed from the keyboard as other viewer windows are; the text box
    // leaves both keys to the window.
    const QKeyCombination key = event->keyCombination();
    if (key == QKeyCombination(Qt::Key_Escape) || key == QKeyCombination(Qt::ControlModifier, Qt::Key_W)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ExifWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (!event->isAccepted()) return;
    m_settings.exifShown = false;
    // The window goes away at the next turn of the event loop; a showExif
    // before that opens a new one.
    if (s_instance == this) s_instance = nullptr;
}
