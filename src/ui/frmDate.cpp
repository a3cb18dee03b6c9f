#include "ui/frmDate.h"

#include "controls/BarColor.h"
#include "controls/PropertyBag.h"
#include "platform/DateFormatter.h"
#include "platform/OleColor.h"
#include "platform/Twips.h"
#include "ui/DialogFont.h"
#include "ui/cOpen.h"

#include <QComboBox>
#include <QDateTime>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include <cmath>

namespace {

// The dialog as it was designed, in twips.
namespace Design {
constexpr TwipsRect Client { 0, 0, 7860, 3630 };
constexpr TwipsRect cmdFont { 120, 300, 1335, 315 };
constexpr TwipsRect lblColor01 { 1560, 120, 1200, 345 };
constexpr TwipsRect lblColor02 { 1560, 540, 1275, 345 };
constexpr TwipsRect Label1 { 3060, 360, 480, 195 };
constexpr TwipsRect cbFormat { 3660, 300, 4035, 315 };
constexpr TwipsRect Label2 { 120, 1200, 795, 195 };
constexpr TwipsRect slLeft { 960, 1200, 1635, 195 };
constexpr TwipsRect Label3 { 2700, 1200, 615, 195 };
constexpr TwipsRect slTop { 3360, 1200, 1635, 195 };
constexpr TwipsRect LBLdown { 840, 2160, 750, 345 };
constexpr TwipsRect lblUP { 840, 2580, 750, 345 };
} // namespace Design

void setTextColor(QLabel* label, int32_t color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, OleColor::toQColor(static_cast<quint32>(color)));
    label->setPalette(palette);
}

// The offset bars: -10 to 10 pixels, yellow caption with its unit.
void setUpOffsetBar(BarColor* bar)
{
    const PropertyBag stored { { QStringLiteral("Caption"), QStringLiteral("0 px") },
        { QStringLiteral("Font"), DialogFont::sansSerif() }, { QStringLiteral("ForeColor"), 0xFFFFu },
        { QStringLiteral("Min"), QStringLiteral("-10") }, { QStringLiteral("Max"), QStringLiteral("10") },
        { QStringLiteral("Value"), QStringLiteral("0") }, { QStringLiteral("StrExtend"), QStringLiteral(" px") } };
    bar->ReadProperties(stored);
}

// Pixels on a bar are whole twips to the record, halves to even.
int32_t barTwips(const BarColor* bar)
{
    return static_cast<int32_t>(std::nearbyint(bar->Value().toDouble() * frmDate::TwipsPerPixel));
}

} // namespace

frmDate::frmDate(QWidget* owner, SettingsRecord& settings)
    : QDialog(owner)
    , m_settings(settings)
{
    setWindowTitle(QStringLiteral("Date Pos/Style"));
    QFont windowFont(QStringLiteral("Comic Sans MS"));
    windowFont.setFamilies(
        { QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"), QStringLiteral("DejaVu Sans") });
    windowFont.setPointSize(12);
    setFont(windowFont);
    resize(Design::Client.pixelSize());

    m_cbFormat = new QComboBox(this);
    m_cbFormat->setEditable(true);
    m_cbFormat->setInsertPolicy(QComboBox::NoInsert);
    m_cbFormat->setFont(DialogFont::sansSerif());
    m_cbFormat->setGeometry(Design::cbFormat.pixels());

    m_cmdFont = new QPushButton(QStringLiteral("Change Font"), this);
    m_cmdFont->setFont(DialogFont::sansSerif());
    // Enter in the format field must not open the font picker.
    m_cmdFont->setAutoDefault(false);
    m_cmdFont->setGeometry(Design::cmdFont.pixels());

    m_lblColor01 = new QLabel(QStringLiteral("Color ONE"), this);
    m_lblColor01->setGeometry(Design::lblColor01.pixels());
    m_lblColor02 = new QLabel(QStringLiteral("Color TWO"), this);
    m_lblColor02->setGeometry(Design::lblColor02.pixels());
    for (QLabel* swatch : { m_lblColor01, m_lblColor02 }) {
        swatch->setCursor(Qt::PointingHandCursor);
        swatch->installEventFilter(this);
    }

    auto* label1 = new QLabel(QStringLiteral("Format"), this);
    label1->setFont(DialogFont::sansSerif());
    label1->setGeometry(Design::Label1.pixels());
    auto* label2 = new QLabel(QStringLiteral("Horizontale"), this);
    label2->setFont(DialogFont::sansSerif());
    label2->setGeometry(Design::Label2.pixels());
    auto* label3 = new QLabel(QStringLiteral("Verticale"), this);
    label3->setFont(DialogFont::sansSerif());
    label3->setGeometry(Design::Label3.pixels());
    // Captions show whole even where this system's font is a little wider.
    for (QLabel* caption : { label1, label2, label3 })
        caption->resize(std::max(caption->width(), caption->sizeHint().width()), caption->height());

    m_slLeft = new BarColor(this);
    setUpOffsetBar(m_slLeft);
    m_slLeft->setGeometry(Design::slLeft.pixels());
    m_slTop = new BarColor(this);
    setUpOffsetBar(m_slTop);
    m_slTop->setGeometry(Design::slTop.pixels());

    // The previews grow with their text; only their top-left corner is fixed.
    m_LBLdown = new QLabel(this);
    m_LBLdown->setGeometry(Design::LBLdown.pixels());
    m_lblUP = new QLabel(this);
    m_lblUP->setGeometry(Design::lblUP.pixels());
    m_lblUP->raise();

    setTabOrder(m_cbFormat, m_cmdFont);
    setTabOrder(m_cmdFont, m_slLeft);
    setTabOrder(m_slLeft, m_slTop);
    m_cbFormat->setFocus();

    connect(m_cbFormat, &QComboBox::editTextChanged, this, &frmDate::refreshPreviewTexts);
    // A list entry chosen again after typing replaces the typed text too.
    connect(m_cbFormat, &QComboBox::activated, this, [this](int index) {
        m_cbFormat->setEditText(m_cbFormat->itemText(index));
        refreshPreviewTexts();
    });
    connect(m_cmdFont, &QPushButton::clicked, this, &frmDate::chooseFont);
    connect(m_slLeft, &BarColor::Change, this, [this] {
        m_settings.DiffLeft = barTwips(m_slLeft);
        UpdateOffsetPreview();
    });
    connect(m_slTop, &BarColor::Change, this, [this] {
        m_settings.DiffTop = barTwips(m_slTop);
        UpdateOffsetPreview();
    });

    // Load: the list, the format (which fills the previews), the offsets,
    // then the font and colours.
    m_cbFormat->addItems({ QStringLiteral("DD/MM/YY"), QStringLiteral("DD/MM/YYYY"), QStringLiteral("DD/MM/YY HH:MM"),
        QStringLiteral("DD/MM/YYYY HH:MM"), QStringLiteral("DD/MM/YY HH:MM:SS"), QStringLiteral("DD/MM/YYYY HH:MM:SS"),
        QStringLiteral("DDDD DD MMMM YYYY") });
    m_cbFormat->setEditText(m_settings.DateFormat);
    refreshPreviewTexts();
    UpdateOffsetPreview();
    m_slLeft->setValue(m_settings.DiffLeft / double(TwipsPerPixel));
    m_slTop->setValue(m_settings.DiffTop / double(TwipsPerPixel));

    m_font = m_LBLdown->font();
    m_font.setFamily(m_settings.DateFont);
    m_font.setPointSizeF(m_settings.DateSize > 0 ? m_settings.DateSize : 1);
    m_color1 = m_settings.DateColor1;
    m_color2 = m_settings.DateColor2;
    setTextColor(m_lblColor01, m_color1);
    setTextColor(m_lblColor02, m_color2);
    applyFontAndColors();
}

frmDate::~frmDate()
{
    // A dialog destroyed without being closed still keeps what it showed.
    if (!m_unloaded) unload();
}

void frmDate::UpdateOffsetPreview()
{
    const QPoint down = m_LBLdown->pos();
    m_lblUP->move(Twips::toPixels(down.x() * double(TwipsPerPixel) + m_settings.DiffLeft),
        Twips::toPixels(down.y() * double(TwipsPerPixel) + m_settings.DiffTop));
}

void frmDate::refreshPreviewTexts()
{
    const QString text = DateFormatter::format(QDateTime::currentDateTime(), m_cbFormat->currentText());
    for (QLabel* label : { m_lblUP, m_LBLdown }) {
        label->setText(text);
        label->adjustSize();
    }
}

void frmDate::applyFontAndColors()
{
    for (QLabel* label : { m_LBLdown, m_lblUP }) {
        label->setFont(m_font);
        label->adjustSize();
    }
    // The swatches' colours win over anything the font picker reported.
    setTextColor(m_LBLdown, m_color1);
    setTextColor(m_lblUP, m_color2);
}

void frmDate::chooseColor(int which)
{
    const int32_t color = cOpen::shared().ShowColor();
    // A cancelled picker answers -1, which is no colour: keep the old one.
    if (color == -1) return;
    if (which == 1) {
        m_color1 = color;
        setTextColor(m_lblColor01, color);
        setTextColor(m_LBLdown, color);
    } else {
        m_color2 = color;
        setTextColor(m_lblColor02, color);
        setTextColor(m_lblUP, color);
    }
}

void frmDate::chooseFont()
{
    cOpen::shared().VBChooseFont(m_font);
    applyFontAndColors();
}

bool frmDate::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_lblColor01 || watched == m_lblColor02) && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton
            && static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint())) {
            chooseColor(watched == m_lblColor01 ? 1 : 2);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmDate::done(int result)
{
    if (!m_unloaded) unload();
    QDialog::done(result);
}

void frmDate::unload()
{
    m_unloaded = true;
    m_settings.DateFormat = m_cbFormat->currentText();
    m_settings.DateColor1 = m_color1;
    m_settings.DateColor2 = m_color2;
    // The size goes through four decimals, then to a whole number, halves to
    // even both times: 10.5 points gives 10, 11.5 gives 12.
    const double size = std::nearbyint(m_font.pointSizeF() * 10000.0) / 10000.0;
    m_settings.DateSize = static_cast<int32_t>(std::nearbyint(size));
    m_settings.DateFont = m_font.family();
    emit Unloaded(m_font);
}
