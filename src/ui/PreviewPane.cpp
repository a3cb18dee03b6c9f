#include "ui/PreviewPane.h"

#include "platform/NumberText.h"
#include "platform/OleColor.h"
#include "platform/Twips.h"
#include "ui/Cursors.h"
#include "ui/Form1Design.h"
#include "ui/PictureView.h"
#include "ui/PreviewViewport.h"
#include "ui/StampLabelView.h"
#include "workflow/PhotoEngine.h"

#include <QMouseEvent>

#include <cmath>

namespace {

constexpr float TwipsPerPixel = Twips::PerPixel;

int px(float twips)
{
    return Twips::toPixels(twips);
}

// The area starts where the viewport does in the window's design.
QRect inArea(const TwipsRect& design)
{
    return design.pixels().translated(-Twips::toPixels(Form1Design::picScroll.left), 0);
}

} // namespace

PreviewPane::PreviewPane(PhotoEngine& engine, QWidget* parent)
    : QWidget(parent)
    , m_engine(engine)
{
    picScroll = new PreviewViewport(this);
    picScroll->setGeometry(inArea(Form1Design::picScroll));
    // Created bottom first: the labels lie over the photo, the upper text
    // over the lower one.
    Image1 = new PictureView(picScroll->client());
    Image1->setGeometry(Form1Design::Image1.pixels());
    Image1->setCursor(Cursors::openHand());
    Image1->installEventFilter(this);
    Label1 = new StampLabelView(picScroll->client());
    Label1->setGeometry(Form1Design::Label1.pixels());
    Label2 = new StampLabelView(picScroll->client());
    Label2->setGeometry(Form1Design::Label2.pixels());
    Label2->setCursor(Cursors::stampArrow());
    Label2->installEventFilter(this);

    Picture1 = new PictureView(this);
    Picture1->setGeometry(inArea(Form1Design::Picture1));

    // Room for the viewport's design size and its margins.
    const QRect viewport = inArea(Form1Design::picScroll);
    const int margin = Twips::toPixels(Form1Design::ViewportMargin);
    setMinimumSize(viewport.right() + 1 + margin, viewport.bottom() + 1 + margin);
}

void PreviewPane::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void PreviewPane::Form_Resize()
{
    const float border = static_cast<float>(picScroll->borderSize()) * TwipsPerPixel;
    const ImageControl& image = m_engine.Controls().Image1;
    float width = static_cast<float>(this->width()) * TwipsPerPixel - static_cast<float>(picScroll->x()) * TwipsPerPixel
        - Form1Design::ViewportMargin;
    float height = static_cast<float>(this->height()) * TwipsPerPixel
        - static_cast<float>(picScroll->y()) * TwipsPerPixel - Form1Design::ViewportMargin;
    // An area too small for the margins keeps the viewport as it was on
    // that axis.
    if (width > 0) {
        if (width - border > image.Width) width = width + image.Width - (width - border);
    } else {
        width = static_cast<float>(picScroll->width()) * TwipsPerPixel;
    }
    if (height > 0) {
        if (height - border > image.Height) height = height + image.Height - (height - border);
    } else {
        height = static_cast<float>(picScroll->height()) * TwipsPerPixel;
    }
    picScroll->resize(px(width), px(height));
}

void PreviewPane::showControls()
{
    const PhotoControls& c = m_engine.Controls();
    picScroll->setVisible(c.picScrollVisible);
    Picture1->resize(px(c.Picture1Width), px(c.Picture1Height));
    Picture1->setVisible(c.Picture1Visible);
    placeImage1();
    Image1->setVisible(c.Image1.Visible);
    Label1->setVisible(c.Label1.Visible);
    Label2->setVisible(c.Label2.Visible);
    placeLabels();
}

void PreviewPane::clearPreviewPicture()
{
    Image1->setPicture(QImage());
}

void PreviewPane::loadPreviewPicture()
{
    const ImageControl& image = m_engine.Controls().Image1;
    Image1->setPicture(m_engine.PreviewPicture(QSize(px(image.Width), px(image.Height))));
}

void PreviewPane::showDisplayPicture()
{
    if (m_engine.Controls().Picture1Visible && m_engine.Photo().Picture1().hdc() != nullptr)
        Picture1->setPicture(m_engine.Photo().Picture1().hdc()->toImage());
}

void PreviewPane::placeImage1()
{
    const ImageControl& image = m_engine.Controls().Image1;
    Image1->setGeometry(px(image.Left), px(image.Top), px(image.Width), px(image.Height));
}

void PreviewPane::placeLabels()
{
    // The labels show the stamp as it will be printed: at its size, at its
    // anchored place, inside the picture. The picture has the preview's
    // size, so its pixels are the viewport's.
    const PhotoControls& c = m_engine.Controls();
    const StampPlacement::Layout shown = m_engine.ShownStamp();
    Label1->setStamp(c.Label1.Caption, shown.font, OleColor::toQColor(c.Label1.ForeColor));
    Label2->setStamp(c.Label2.Caption, shown.font, OleColor::toQColor(c.Label2.ForeColor));
    const QPoint corner = Image1->pos();
    Label1->move(corner + shown.first);
    Label2->move(corner + shown.second);
}

// ---- Panning and the stamp ----------------------------------------------

bool PreviewPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != Image1 && watched != Label2) return QWidget::eventFilter(watched, event);
    if (watched == Label2 && event->type() == QEvent::MouseButtonRelease) {
        Label2_MouseUp();
        return true;
    }
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseMove)
        return QWidget::eventFilter(watched, event);

    const auto* mouse = static_cast<QMouseEvent*>(event);
    const float X = static_cast<float>(mouse->position().x()) * TwipsPerPixel;
    const float Y = static_cast<float>(mouse->position().y()) * TwipsPerPixel;
    if (watched == Image1) {
        if (event->type() == QEvent::MouseButtonPress)
            Image1_MouseDown(X, Y);
        else
            Image1_MouseMove(mouse->buttons(), X, Y);
    } else {
        if (event->type() == QEvent::MouseButtonPress)
            Label2_MouseDown(X, Y);
        else
            Label2_MouseMove(mouse->buttons(), X, Y);
    }
    return true;
}

void PreviewPane::Image1_MouseDown(float X, float Y)
{
    ImageGrabX = static_cast<int32_t>(std::nearbyint(X));
    ImageGrabY = static_cast<int32_t>(std::nearbyint(Y));
}

void PreviewPane::Image1_MouseMove(Qt::MouseButtons Button, float X, float Y)
{
    if (Button != Qt::LeftButton) return;
    // Near the photo's top-left corner the move is taken for a slip.
    if (X <= 30 && Y <= 30) return;
    ImageControl& image = m_engine.Controls().Image1;
    const float innerWidth = static_cast<float>(picScroll->client()->width()) * TwipsPerPixel;
    const float innerHeight = static_cast<float>(picScroll->client()->height()) * TwipsPerPixel;

    // The photo moves with the cursor, but only towards a hidden edge, and
    // never so far that a gap opens below or right of it.
    const auto panAxis = [](float& start, float size, float inner, float delta) {
        if (size <= inner) return;
        if (delta > 0) {
            if (start < 0) start = start + delta;
        } else if (size + start > inner) {
            start = start + delta;
        }
        if (size + start < inner) start = inner - size;
    };
    panAxis(image.Top, image.Height, innerHeight, Y - static_cast<float>(ImageGrabY));
    panAxis(image.Left, image.Width, innerWidth, X - static_cast<float>(ImageGrabX));
    if (image.Top > 0) image.Top = 0;
    if (image.Left > 0) image.Left = 0;
    placeImage1();
    // The stamp keeps its place in the viewport, and so moves on the photo,
    // as long as the photo's edges let it.
    placeLabels();
}

void PreviewPane::Label2_MouseDown(float X, float Y)
{
    LabelGrabX = static_cast<int32_t>(std::nearbyint(X));
    LabelGrabY = static_cast<int32_t>(std::nearbyint(Y));
}

void PreviewPane::Label2_MouseMove(Qt::MouseButtons Button, float X, float Y)
{
    if (Button != Qt::LeftButton) return;
    // The grabbed point follows the cursor; the lower label, the one stored,
    // follows the upper one, so the new place survives a restart.
    m_engine.DragStamp(X - static_cast<float>(LabelGrabX), Y - static_cast<float>(LabelGrabY));
    placeLabels();
    // Where the upper text will be printed on the working image, in pixels.
    const QPoint upper = m_engine.ShownStamp().second;
    Label2->setToolTip(tr("position : %1 - %2")
                           .arg(NumberText::shortText(static_cast<float>(upper.x())),
                               NumberText::shortText(static_cast<float>(upper.y()))));
}

void PreviewPane::Label2_MouseUp()
{
    m_engine.DropStamp();
    placeLabels();
}
