#include "ui/PreviewPane.h"

#include "platform/BgrColor.h"
#include "platform/NumberText.h"
#include "platform/Twips.h"
#include "ui/Cursors.h"
#include "ui/MainWindowDesign.h"
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
    return design.pixels().translated(-Twips::toPixels(MainWindowDesign::previewViewport.left), 0);
}

} // namespace

PreviewPane::PreviewPane(PhotoEngine& engine, QWidget* parent)
    : QWidget(parent)
    , m_engine(engine)
{
    previewViewport = new PreviewViewport(this);
    previewViewport->setGeometry(inArea(MainWindowDesign::previewViewport));
    // Created bottom first: the labels lie over the photo, the upper text
    // over the lower one.
    previewImage = new PictureView(previewViewport->client());
    previewImage->setGeometry(MainWindowDesign::previewImage.pixels());
    previewImage->setCursor(Cursors::openHand());
    previewImage->installEventFilter(this);
    stampLowerLabel = new StampLabelView(previewViewport->client());
    stampLowerLabel->setGeometry(MainWindowDesign::stampLowerLabel.pixels());
    stampUpperLabel = new StampLabelView(previewViewport->client());
    stampUpperLabel->setGeometry(MainWindowDesign::stampUpperLabel.pixels());
    stampUpperLabel->setCursor(Cursors::stampArrow());
    stampUpperLabel->installEventFilter(this);

    // In the same frame, where the preview was.
    displayView = new PictureView(previewViewport->client());
    displayView->setGeometry(MainWindowDesign::previewImage.pixels());

    // Room for the viewport's design size and its margins.
    const QRect viewport = inArea(MainWindowDesign::previewViewport);
    const int margin = Twips::toPixels(MainWindowDesign::ViewportMargin);
    setMinimumSize(viewport.right() + 1 + margin, viewport.bottom() + 1 + margin);
}

void PreviewPane::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    onResize();
}

void PreviewPane::onResize()
{
    const float border = static_cast<float>(previewViewport->borderSize()) * TwipsPerPixel;
    const QSize preview = m_engine.previewSize();
    const float imageWidth = static_cast<float>(preview.width()) * TwipsPerPixel;
    const float imageHeight = static_cast<float>(preview.height()) * TwipsPerPixel;
    float width = static_cast<float>(this->width()) * TwipsPerPixel
        - static_cast<float>(previewViewport->x()) * TwipsPerPixel - MainWindowDesign::ViewportMargin;
    float height = static_cast<float>(this->height()) * TwipsPerPixel
        - static_cast<float>(previewViewport->y()) * TwipsPerPixel - MainWindowDesign::ViewportMargin;
    // An area too small for the margins keeps the viewport as it was on
    // that axis.
    if (width > 0) {
        if (width - border > imageWidth) width = width + imageWidth - (width - border);
    } else {
        width = static_cast<float>(previewViewport->width()) * TwipsPerPixel;
    }
    if (height > 0) {
        if (height - border > imageHeight) height = height + imageHeight - (height - border);
    } else {
        height = static_cast<float>(previewViewport->height()) * TwipsPerPixel;
    }
    previewViewport->resize(px(width), px(height));
}

void PreviewPane::showControls()
{
    const PhotoState& photo = m_engine.photo();
    const bool working = photo.workReady();
    previewViewport->setVisible(!photo.photoPath().isEmpty());
    previewImage->setVisible(!working);
    displayView->setVisible(working);
    placePreviewImage();
    // The display picture carries its stamp printed.
    stampLowerLabel->setVisible(m_engine.showDate() && !working);
    stampUpperLabel->setVisible(m_engine.showDate() && !working);
    placeLabels();
}

void PreviewPane::resetPan()
{
    m_imageOffset = QPoint();
    placePreviewImage();
}

void PreviewPane::clearPreviewPicture()
{
    previewImage->setPicture(QImage());
}

void PreviewPane::loadPreviewPicture()
{
    previewImage->setPicture(m_engine.previewPicture(m_engine.previewSize()));
}

void PreviewPane::showDisplayPicture()
{
    if (m_engine.photo().workReady() && m_engine.photo().displayPicture() != nullptr)
        displayView->setPicture(m_engine.photo().displayPicture()->toImage());
}

void PreviewPane::placePreviewImage()
{
    previewImage->setGeometry(QRect(m_imageOffset, m_engine.previewSize()));
    const PixelSurface* work = m_engine.photo().workImage();
    displayView->setGeometry(QRect(m_imageOffset, work ? QSize(work->width(), work->height()) : QSize()));
}

void PreviewPane::placeLabels()
{
    // The labels show the stamp as it will be printed: at its size, at its
    // anchored place, inside the picture. The picture has the preview's
    // size, so its pixels are the viewport's.
    const StampPlacement::Layout shown = m_engine.shownStamp();
    const QString& text = m_engine.labelText();
    stampLowerLabel->setStamp(
        text, shown.font, BgrColor::toQColor(m_engine.settings().dateColor1), shown.lineAlignment);
    stampUpperLabel->setStamp(
        text, shown.font, BgrColor::toQColor(m_engine.settings().dateColor2), shown.lineAlignment);
    const QPoint corner = previewImage->pos();
    stampLowerLabel->move(corner + shown.first);
    stampUpperLabel->move(corner + shown.second);
}

// ---- Panning and the stamp ----------------------------------------------

bool PreviewPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != previewImage && watched != stampUpperLabel) return QWidget::eventFilter(watched, event);
    if (watched == stampUpperLabel && event->type() == QEvent::MouseButtonRelease) {
        onStampMouseRelease();
        return true;
    }
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseMove)
        return QWidget::eventFilter(watched, event);

    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPointF at = mouse->position();
    // Where the mouse went down counts from the nearest pixel.
    const QPointF grab = at.toPoint();
    if (watched == previewImage) {
        if (event->type() == QEvent::MouseButtonPress)
            m_imageGrab = grab;
        else
            onPictureMouseMove(mouse->buttons(), at);
    } else {
        if (event->type() == QEvent::MouseButtonPress)
            m_labelGrab = grab;
        else
            onStampMouseMove(mouse->buttons(), at);
    }
    return true;
}

void PreviewPane::onPictureMouseMove(Qt::MouseButtons Button, QPointF at)
{
    if (Button != Qt::LeftButton) return;
    // Near the photo's top-left corner the move is taken for a slip.
    if (at.x() <= 2 && at.y() <= 2) return;
    const QSize preview = m_engine.previewSize();
    const QSize inner = previewViewport->client()->size();
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
    placePreviewImage();
    // The stamp keeps its place in the viewport, and so moves on the photo,
    // as long as the photo's edges let it.
    m_engine.setStampPosition(m_engine.stampPosition() - (m_imageOffset - before));
    placeLabels();
}

void PreviewPane::onStampMouseMove(Qt::MouseButtons Button, QPointF at)
{
    if (Button != Qt::LeftButton) return;
    // The grabbed point follows the cursor, and the stamp with it, so the
    // new place survives a restart.
    m_engine.dragStamp(at - m_labelGrab);
    placeLabels();
    // Where the upper text will be printed on the working image, in pixels.
    const QPoint upper = m_engine.shownStamp().second;
    stampUpperLabel->setToolTip(tr("position : %1 - %2")
                                    .arg(NumberText::shortText(static_cast<float>(upper.x())),
                                        NumberText::shortText(static_cast<float>(upper.y()))));
}

void PreviewPane::onStampMouseRelease()
{
    m_engine.dropStamp();
    placeLabels();
}
