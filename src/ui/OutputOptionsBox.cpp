#include "ui/OutputOptionsBox.h"

#include "controls/ValueBar.h"
#include "files/SettingsFile.h"
#include "ui/DialogFont.h"
#include "ui/MainWindowDesign.h"

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

OutputOptionsBox::OutputOptionsBox(Settings& settings, QWidget* parent)
    : QGroupBox(tr("JPG Quality :"), parent)
    , qualityBar(new ValueBar(this))
    , thumbnailCheck(new QCheckBox(tr("Create thumbnail"), this))
    , thumbnailWidthOption(new QRadioButton(tr("Width"), this))
    , thumbnailWidthEdit(new QLineEdit(QStringLiteral("120"), this))
    , thumbnailHeightOption(new QRadioButton(tr("Height"), this))
    , thumbnailHeightEdit(new QLineEdit(QStringLiteral("90"), this))
    , losslessCheck(new QCheckBox(tr("Stamp only \u2014\nkeep the photo's quality"), this))
    , m_settings(settings)
{
    // The options' font, with the narrow fallbacks their places need.
    const QFont small = DialogFont::sansSerif();
    qualityBar->initProperties();
    // The encoder has no quality 0.
    qualityBar->setMinimum(SettingsFile::MinJpegQuality);
    qualityBar->setForeColor(65535);
    qualityBar->setFont(small);
    qualityBar->setCaption(QStringLiteral("50"));
    thumbnailHeightOption->setChecked(true);
    for (QWidget* option : { static_cast<QWidget*>(thumbnailCheck), static_cast<QWidget*>(thumbnailWidthOption),
             static_cast<QWidget*>(thumbnailWidthEdit), static_cast<QWidget*>(thumbnailHeightOption),
             static_cast<QWidget*>(thumbnailHeightEdit), static_cast<QWidget*>(losslessCheck) }) {
        option->setFont(small);
    }
    for (QLineEdit* box : { thumbnailWidthEdit, thumbnailHeightEdit }) {
        box->setTextMargins(0, 0, 0, 0);
        // A file dropped on a box is for the window, not a size.
        box->setAcceptDrops(false);
        // Whole pixels, digits only, whatever the user's locale groups.
        auto* sizes = new QIntValidator(SettingsFile::MinThumbnailSize, SettingsFile::MaxThumbnailSize, box);
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
    namespace Design = MainWindowDesign;
    const auto px = [](int twips) { return Twips::toPixels(twips); };
    setMinimumSize(Design::jpegOptionsBox.pixelSize());
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(
        px(Design::qualityBar.left), 0, px(Design::jpegOptionsBox.width - Design::qualityBar.right()), 0);
    layout->setSpacing(0);
    layout->addWidget(qualityBar);
    layout->addSpacing(px(Design::thumbnailWidthEdit.top - Design::qualityBar.bottom()));
    auto* thumbnail = new QGridLayout;
    thumbnail->setHorizontalSpacing(px(Design::thumbnailWidthEdit.left - Design::thumbnailWidthOption.right()));
    thumbnail->setVerticalSpacing(px(Design::thumbnailHeightEdit.top - Design::thumbnailWidthEdit.bottom()));
    thumbnail->addWidget(thumbnailCheck, 0, 0, 2, 1, Qt::AlignLeft | Qt::AlignVCenter);
    thumbnail->addWidget(thumbnailWidthOption, 0, 1);
    thumbnail->addWidget(thumbnailWidthEdit, 0, 2);
    thumbnail->addWidget(thumbnailHeightOption, 1, 1);
    thumbnail->addWidget(thumbnailHeightEdit, 1, 2);
    thumbnail->setColumnStretch(0, 1);
    layout->addLayout(thumbnail);
    losslessCheck->setToolTip(tr("A JPEG photo is saved as it is, at its own size and not turned, with only the "
                                 "few blocks under the date stamp changed. Other photos are saved the usual way."));
    layout->addWidget(losslessCheck);
    layout->addStretch(1);

    // The bar takes the frame's width, less its margins.
    qualityBar->setMinimumHeight(px(Design::qualityBar.height));
    thumbnailCheck->setMinimumSize(Design::thumbnailCheck.pixelSize());
    thumbnailWidthOption->setMinimumSize(Design::thumbnailWidthOption.pixelSize());
    thumbnailHeightOption->setMinimumSize(Design::thumbnailHeightOption.pixelSize());
    // Three digits fit; the boxes keep their width.
    thumbnailWidthEdit->setMinimumHeight(px(Design::thumbnailWidthEdit.height));
    thumbnailWidthEdit->setFixedWidth(px(Design::thumbnailWidthEdit.width));
    thumbnailHeightEdit->setMinimumHeight(px(Design::thumbnailHeightEdit.height));
    thumbnailHeightEdit->setFixedWidth(px(Design::thumbnailHeightEdit.width));

    connect(qualityBar, &ValueBar::valueChanged, this, &OutputOptionsBox::storeOutputOptions);
    connect(thumbnailCheck, &QCheckBox::toggled, this, &OutputOptionsBox::storeOutputOptions);
    connect(losslessCheck, &QCheckBox::toggled, this, [this](bool on) {
        storeOutputOptions();
        emit losslessChanged(on);
    });
    // The button that becomes selected stores; the one left does not.
    for (QRadioButton* option : { thumbnailHeightOption, thumbnailWidthOption }) {
        connect(option, &QRadioButton::toggled, this, [this](bool on) {
            if (on) storeOutputOptions();
        });
    }
    connect(thumbnailHeightEdit, &QLineEdit::textChanged, this, &OutputOptionsBox::storeOutputOptions);
    connect(thumbnailWidthEdit, &QLineEdit::textChanged, this, &OutputOptionsBox::storeOutputOptions);
}

void OutputOptionsBox::fillOutputOptions()
{
    // Taken before any control changes: each change below stores every
    // option from the controls, some of which still show their design state.
    const int32_t quality = m_settings.jpegQuality;
    const bool show = m_settings.thumbShow;
    const int32_t height = m_settings.thumbHeight;
    const int32_t width = m_settings.thumbWidth;
    const bool lossless = m_settings.losslessStamp;

    // A quality below the bar's range reads as its least, 1.
    qualityBar->setValue(std::clamp(quality, SettingsFile::MinJpegQuality, SettingsFile::MaxJpegQuality));
    setTitle(tr("JPG Quality : "));
    thumbnailCheck->setChecked(show);
    losslessCheck->setChecked(lossless);
    // The companion stays a size the box takes.
    const auto companion = [](double size) {
        return QString::number(std::clamp(static_cast<int32_t>(std::nearbyint(size)), SettingsFile::MinThumbnailSize,
            SettingsFile::MaxThumbnailSize));
    };
    if (height != 0) {
        thumbnailHeightEdit->setText(QString::number(height));
        thumbnailWidthEdit->setText(companion(height * 4.0 / 3.0));
        thumbnailHeightOption->setChecked(true);
    } else {
        thumbnailWidthEdit->setText(QString::number(width));
        thumbnailHeightEdit->setText(companion(width * 3.0 / 4.0));
        thumbnailWidthOption->setChecked(true);
    }
    // A control set to what it already showed raises nothing; the record
    // must still end up holding what the controls show.
    storeOutputOptions();
}

void OutputOptionsBox::storeOutputOptions()
{
    Settings& s = m_settings;
    bool ok = false;
    const double quality = qualityBar->value().toDouble(&ok);
    if (ok)
        s.jpegQuality = std::clamp(
            static_cast<int32_t>(std::nearbyint(quality)), SettingsFile::MinJpegQuality, SettingsFile::MaxJpegQuality);
    s.thumbShow = thumbnailCheck->isChecked();
    s.losslessStamp = losslessCheck->isChecked();
    // A box that holds no size (emptied while the user retypes it, or a
    // number on its way to one) keeps the size stored last.
    if (thumbnailHeightOption->isChecked()) {
        if (thumbnailHeightEdit->hasAcceptableInput()) {
            s.thumbHeight = thumbnailHeightEdit->text().toInt();
            s.thumbWidth = 0;
        }
    } else if (thumbnailWidthEdit->hasAcceptableInput()) {
        s.thumbHeight = 0;
        s.thumbWidth = thumbnailWidthEdit->text().toInt();
    }
    for (QLineEdit* box : { thumbnailWidthEdit, thumbnailHeightEdit })
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
