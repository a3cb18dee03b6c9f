#include "ui/OutputOptionsBox.h"

#include "controls/BarColor.h"
#include "files/mMain.h"
#include "ui/DialogFont.h"
#include "ui/Form1Design.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>
#include <cmath>

namespace {

// The property of a size box that keeps the last size it held.
const char* const LastSize = "lastSize";

} // namespace

OutputOptionsBox::OutputOptionsBox(SettingsRecord& settings, QWidget* parent)
    : QGroupBox(tr("JPG Quality :"), parent)
    , slQuality(new BarColor(this))
    , chkMiniature(new QCheckBox(tr("Create thumbnail"), this))
    , opWidth(new QRadioButton(tr("Width"), this))
    , txtWidth(new QLineEdit(QStringLiteral("120"), this))
    , opHeigth(new QRadioButton(tr("Height"), this))
    , txtHeight(new QLineEdit(QStringLiteral("90"), this))
    , m_settings(settings)
{
    // The options' font, with the narrow fallbacks their places need.
    const QFont small = DialogFont::sansSerif();
    slQuality->InitProperties();
    // The encoder has no quality 0.
    slQuality->setMin(mMain::MinJpegQuality);
    slQuality->setForeColor(65535);
    slQuality->setFont(small);
    slQuality->setCaption(QStringLiteral("50"));
    opHeigth->setChecked(true);
    for (QWidget* option : { static_cast<QWidget*>(chkMiniature), static_cast<QWidget*>(opWidth),
             static_cast<QWidget*>(txtWidth), static_cast<QWidget*>(opHeigth), static_cast<QWidget*>(txtHeight) }) {
        option->setFont(small);
    }
    for (QLineEdit* box : { txtWidth, txtHeight }) {
        box->setTextMargins(0, 0, 0, 0);
        // A file dropped on a box is for the window, not a size.
        box->setAcceptDrops(false);
        // Whole pixels, digits only, whatever the user's locale groups.
        auto* sizes = new QIntValidator(mMain::MinThumbnailSize, mMain::MaxThumbnailSize, box);
        QLocale digits = QLocale::c();
        digits.setNumberOptions(QLocale::RejectGroupSeparator);
        sizes->setLocale(digits);
        box->setValidator(sizes);
        box->setProperty(LastSize, box->text());
        box->installEventFilter(this);
    }

    // The quality bar across the top, widening with the column; below it
    // the thumbnail check box, and at the right the two sizes, each with
    // its box. The design's sizes are the least each control gets.
    namespace Design = Form1Design;
    const auto px = [](int twips) { return Twips::toPixels(twips); };
    setMinimumSize(Design::frJPG.pixelSize());
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(px(Design::slQuality.left), 0, px(Design::frJPG.width - Design::slQuality.right()), 0);
    layout->setSpacing(0);
    layout->addWidget(slQuality);
    layout->addSpacing(px(Design::txtWidth.top - Design::slQuality.bottom()));
    auto* thumbnail = new QGridLayout;
    thumbnail->setHorizontalSpacing(px(Design::txtWidth.left - Design::opWidth.right()));
    thumbnail->setVerticalSpacing(px(Design::txtHeight.top - Design::txtWidth.bottom()));
    thumbnail->addWidget(chkMiniature, 0, 0, 2, 1, Qt::AlignLeft | Qt::AlignVCenter);
    thumbnail->addWidget(opWidth, 0, 1);
    thumbnail->addWidget(txtWidth, 0, 2);
    thumbnail->addWidget(opHeigth, 1, 1);
    thumbnail->addWidget(txtHeight, 1, 2);
    thumbnail->setColumnStretch(0, 1);
    layout->addLayout(thumbnail);
    layout->addStretch(1);

    // The bar takes the frame's width, less its margins.
    slQuality->setMinimumHeight(px(Design::slQuality.height));
    chkMiniature->setMinimumSize(Design::chkMiniature.pixelSize());
    opWidth->setMinimumSize(Design::opWidth.pixelSize());
    opHeigth->setMinimumSize(Design::opHeigth.pixelSize());
    // Three digits fit; the boxes keep their width.
    txtWidth->setMinimumHeight(px(Design::txtWidth.height));
    txtWidth->setFixedWidth(px(Design::txtWidth.width));
    txtHeight->setMinimumHeight(px(Design::txtHeight.height));
    txtHeight->setFixedWidth(px(Design::txtHeight.width));

    connect(slQuality, &BarColor::Change, this, &OutputOptionsBox::StoreOutputOptions);
    connect(chkMiniature, &QCheckBox::toggled, this, &OutputOptionsBox::StoreOutputOptions);
    // The button that becomes selected stores; the one left does not.
    for (QRadioButton* option : { opHeigth, opWidth }) {
        connect(option, &QRadioButton::toggled, this, [this](bool on) {
            if (on) StoreOutputOptions();
        });
    }
    connect(txtHeight, &QLineEdit::textChanged, this, &OutputOptionsBox::StoreOutputOptions);
    connect(txtWidth, &QLineEdit::textChanged, this, &OutputOptionsBox::StoreOutputOptions);
}

void OutputOptionsBox::FillOutputOptions()
{
    // Taken before any control changes: each change below stores every
    // option from the controls, some of which still show their design state.
    const int32_t quality = m_settings.JpegQuality;
    const bool show = m_settings.ThumbShow;
    const int32_t height = m_settings.ThumbHeight;
    const int32_t width = m_settings.ThumbWidth;

    // A quality below the bar's range reads as its least, 1.
    slQuality->setValue(std::clamp(quality, mMain::MinJpegQuality, mMain::MaxJpegQuality));
    setTitle(tr("JPG Quality : "));
    chkMiniature->setChecked(show);
    // The companion stays a size the box takes.
    const auto companion = [](double size) {
        return QString::number(
            std::clamp(static_cast<int32_t>(std::nearbyint(size)), mMain::MinThumbnailSize, mMain::MaxThumbnailSize));
    };
    if (height != 0) {
        txtHeight->setText(QString::number(height));
        txtWidth->setText(companion(height * 4.0 / 3.0));
        opHeigth->setChecked(true);
    } else {
        txtWidth->setText(QString::number(width));
        txtHeight->setText(companion(width * 3.0 / 4.0));
        opWidth->setChecked(true);
    }
    // A control set to what it already showed raises nothing; the record
    // must still end up holding what the controls show.
    StoreOutputOptions();
}

void OutputOptionsBox::StoreOutputOptions()
{
    SettingsRecord& s = m_settings;
    bool ok = false;
    const double quality = slQuality->Value().toDouble(&ok);
    if (ok)
        s.JpegQuality
            = std::clamp(static_cast<int32_t>(std::nearbyint(quality)), mMain::MinJpegQuality, mMain::MaxJpegQuality);
    s.ThumbShow = chkMiniature->isChecked();
    // A box that holds no size (emptied while the user retypes it, or a
    // number on its way to one) keeps the size stored last.
    if (opHeigth->isChecked()) {
        if (txtHeight->hasAcceptableInput()) {
            s.ThumbHeight = txtHeight->text().toInt();
            s.ThumbWidth = 0;
        }
    } else if (txtWidth->hasAcceptableInput()) {
        s.ThumbHeight = 0;
        s.ThumbWidth = txtWidth->text().toInt();
    }
    for (QLineEdit* box : { txtWidth, txtHeight })
        if (box->hasAcceptableInput()) box->setProperty(LastSize, box->text());
}

bool OutputOptionsBox::eventFilter(QObject* watched, QEvent* event)
{
    // A box left without a size shows the last one it held again, so that
    // it never shows a number other than the one in use.
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && event->type() == QEvent::FocusOut && !box->hasAcceptableInput())
        box->setText(box->property(LastSize).toString());
    return QGroupBox::eventFilter(watched, event);
}
