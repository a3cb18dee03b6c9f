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

#include <algorithm>

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
    const QSize preview = m_engine.previewSize();
    const float imageWidth = static_cast<float>(preview.width()) * TwipsPerPixel;
    const float imageHeight = static_cast<float>(preview.height()) * TwipsPerPixel;
    float width = static_cast<float>(this->width()) * TwipsPerPixel - static_cast<float>(picScroll->x()) * TwipsPerPixel
        - Form1Design::ViewportMargin;
    float height = static_cast<float>(this->height()) * TwipsPerPixel
        - static_cast<float>(picScroll->y()) * TwipsPerPixel - Form1Design::ViewportMargin;
    // An area too small for the margins keeps the viewport as it was on
    // that axis.
    if (width > 0) {
        if (width - border > imageWidth) width = width + imageWidth - (width - border);
    } else {
        width = static_cast<float>(picScroll->width()) * TwipsPerPixel;
    }
    if (height > 0) {
        if (height - border > imageHeight) height = height + imageHeight - (height - border);
    } else {
        height = static_cast<float>(picScroll->height()) * TwipsPerPixel;
    }
    picScroll->resize(px(width), px(height));
}

void PreviewPane::showControls()
{
    const PhotoState& photo = m_engine.Photo();
    const bool working = photo.WorkReady();
    picScroll->setVisible(!photo.PhotoPath().isEmpty() && !working);
    Picture1->resize(photo.WorkImage().Width(), photo.WorkImage().Height());
    Picture1->setVisible(working);
    placeImage1();
    Label1->setVisible(m_engine.showDate());
    Label2->setVisible(m_engine.showDate());
    placeLabels();
}

void PreviewPane::resetPan()
{
    m_imageOffset = QPoint();
    placeImage1();
}

void PreviewPane::clearPreviewPicture()
{
    Image1->setPicture(QImage());
}

void PreviewPane::loadPreviewPicture()
{
    Image1->setPicture(m_engine.PreviewPicture(m_engine.previewSize()));
}

void PreviewPane::showDisplayPicture()
{
    if (m_engine.Photo().WorkReady() && m_engine.Photo().Picture1().hdc() != nullptr)
        Picture1->setPicture(m_engine.Photo().Picture1().hdc()->toImage());
}

void PreviewPane::placeImage1()
{
    Image1->setGeometry(QRect(m_imageOffset, m_engine.previewSize()));
}

void PreviewPane::placeLabels()
{
    // The labels show the stamp as it will be printed: at its size, at its
    // anchored place, inside the picture. The picture has the preview's
    // size, so its pixels are the viewport's.
    const StampPlacement::Layout shown = m_engine.ShownStamp();
    const QString& text = m_engine.labelText();
    Label1->setStamp(text, shown.font, OleColor::toQColor(m_engine.settings().DateColor1));
    Label2->setStamp(text, shown.font, OleColor::toQColor(m_engine.settings().DateColor2));
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
    const QPointF at = mouse->position();
    // Where the mouse went down counts from the nearest pixel.
    const QPointF grab = at.toPoint();
    if (watched == Image1) {
        if (event->type() == QEvent::MouseButtonPress)
            m_imageGrab = grab;
        else
            Image1_MouseMove(mouse->buttons(), at);
    } else {
        if (event->type() == QEvent::MouseButtonPress)
            m_labelGrab = grab;
        else
            Label2_MouseMove(mouse->buttons(), at);
    }
    return true;
}

void PreviewPane::Image1_MouseMove(Qt::MouseButtons Button, QPointF at)
{
    if (Button != Qt::LeftButton) return;
    // Near the photo's top-left corner the move is taken for a slip.
    if (at.x() <= 2 && at.y() <= 2) return;
    const QSize preview = m_engine.previewSize();
    const QSize inner = picScroll->client()->size();
    const QPoint delta = (at - m_imageGrab).toPoint();

    // The photo moves with the cursor, but only towards a hidden edge, and
    // never so far that a gap opens below or right of it.
    const auto panAxis = [](int start, int size, int inner, int delta) {
        if (size <= inner) return start;
        if (delta > 0) {
            if (start < 0) start += delta;
        } else if (size + start > inner) {
            start += delta;
        }
        return std::min(0, std::max(start, inner - size));
    };
    const QPoint before = m_imageOffset;
    m_imageOffset = QPoint(panAxis(before.x(), preview.width(), inner.width(), delta.x()),
        panAxis(before.y(), preview.height(), inner.height(), delta.y()));
    placeImage1();
    // The stamp keeps its place in the viewport, and so moves on the photo,
    // as long as the photo's edges let it.
    m_engine.setStampPosition(m_engine.stampPosition() - (m_imageOffset - before));
    placeLabels();
}

void PreviewPane::Label2_MouseMove(Qt::MouseButtons Button, QPointF at)
{
    if (Button != Qt::LeftButton) return;
    // The grabbed point follows the cursor, and the stamp with it, so the
    // new place survives a restart.
    m_engine.DragStamp(at - m_labelGrab);
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
