#include "ui/OutputOptionsBox.h"

#include "controls/BarColor.h"
#include "files/mMain.h"
#include "ui/DialogFont.h"
#include "ui/Form1Design.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include <cmath>

OutputOptionsBox::OutputOptionsBox(SettingsRecord& settings, QWidget* parent)
    : QGroupBox(QStringLiteral("JPG Quality :"), parent)
    , slQuality(new BarColor(this))
    , chkMiniature(new QCheckBox(QStringLiteral("Create thumbnail"), this))
    , opWidth(new QRadioButton(QStringLiteral("Width"), this))
    , txtWidth(new QLineEdit(QStringLiteral("120"), this))
    , opHeigth(new QRadioButton(QStringLiteral("Height"), this))
    , txtHeight(new QLineEdit(QStringLiteral("90"), this))
    , m_settings(settings)
{
    // The options' font, with the narrow fallbacks their places need.
    const QFont small = DialogFont::sansSerif();
    slQuality->InitProperties();
    slQuality->setForeColor(65535);
    slQuality->setFont(small);
    slQuality->setCaption(QStringLiteral("50"));
    opHeigth->setChecked(true);
    for (QWidget* option : { static_cast<QWidget*>(chkMiniature), static_cast<QWidget*>(opWidth),
             static_cast<QWidget*>(txtWidth), static_cast<QWidget*>(opHeigth), static_cast<QWidget*>(txtHeight) }) {
        option->setFont(small);
    }
    for (QLineEdit* box : { txtWidth, txtHeight })
        box->setTextMargins(0, 0, 0, 0);

    slQuality->setGeometry(Form1Design::slQuality.pixels());
    chkMiniature->setGeometry(Form1Design::chkMiniature.pixels());
    opWidth->setGeometry(Form1Design::opWidth.pixels());
    txtWidth->setGeometry(Form1Design::txtWidth.pixels());
    opHeigth->setGeometry(Form1Design::opHeigth.pixels());
    txtHeight->setGeometry(Form1Design::txtHeight.pixels());

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

    slQuality->setValue(quality);
    setTitle(QStringLiteral("JPG Quality : "));
    chkMiniature->setChecked(show);
    if (height != 0) {
        txtHeight->setText(QString::number(height));
        txtWidth->setText(QString::number(static_cast<int32_t>(std::nearbyint(height * 4.0 / 3.0))));
        opHeigth->setChecked(true);
    } else {
        txtWidth->setText(QString::number(width));
        txtHeight->setText(QString::number(static_cast<int32_t>(std::nearbyint(width * 3.0 / 4.0))));
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
    if (ok) s.JpegQuality = static_cast<int32_t>(std::nearbyint(quality));
    s.ThumbShow = chkMiniature->isChecked();
    // A box that holds no number (emptied while the user retypes it) keeps
    // the size stored last.
    if (opHeigth->isChecked()) {
        if (const auto value = mMain::TextToLong(txtHeight->text())) {
            s.ThumbHeight = *value;
            s.ThumbWidth = 0;
        }
    } else if (const auto value = mMain::TextToLong(txtWidth->text())) {
        s.ThumbHeight = 0;
        s.ThumbWidth = *value;
    }
}
