#include "ui/PreviewPane.h"

#include "platform/BgrColor.h"
#include "platform/NumberText.h"
#include "platform/RuntimeError.h"
#include "platform/Twips.h"
#include "ui/Cursors.h"
#include "ui/MainWindowDesign.h"
#include "ui/PictureView.h"
#include "ui/PreviewViewport.h"
#include "ui/StampLabelView.h"
#include "workflow/PhotoEngine.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <new>

namespace {

// The area starts where the viewport does in the window's design.
QRect inArea(const TwipsRect& design)
{
    return design.pixels().translated(-Twips::toPixels(MainWindowDesign::previewViewport.left), 0);
}

// A place on the working image in view pixels, each to the nearest.
QPoint toView(QPoint place, double zoom)
{
    if (zoom == 1.0) return place;
    return QPoint(static_cast<int>(std::lround(place.x() * zoom)), static_cast<int>(std::lround(place.y() * zoom)));
}

// Zoom In and Out change the zoom by at least this factor.
constexpr double MinStep = 1.1;

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
    previewImage->installEventFilter(this);
    stampLowerLabel = new StampLabelView(previewViewport->client());
    stampLowerLabel->setGeometry(MainWindowDesign::stampLowerLabel.pixels());
    stampUpperLabel = new StampLabelView(previewViewport->client());
    stampUpperLabel->setGeometry(MainWindowDesign::stampUpperLabel.pixels());
    stampUpperLabel->setCursor(Cursors::stampArrow());
    stampUpperLabel->installEventFilter(this);

    // In the same frame, where the preview was, and panned alike.
    displayView = new PictureView(previewViewport->client());
    displayView->setGeometry(MainWindowDesign::previewImage.pixels());
    displayView->installEventFilter(this);
    connect(previewViewport, &PreviewViewport::scrolled, this, [this](QPoint position) {
        m_imageOffset = -position;
        placePreviewImage();
        placeLabels();
    });

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
    followPhoto();
    const int margin = Twips::toPixels(MainWindowDesign::ViewportMargin);
    QSize area(width() - previewViewport->x() - margin, height() - previewViewport->y() - margin);
    // An area too small for the margins keeps the viewport as it was on
    // that axis.
    if (area.width() <= 0) area.setWidth(previewViewport->width());
    if (area.height() <= 0) area.setHeight(previewViewport->height());

    const QSize picture = pictureSize();
    if (!picture.isEmpty()) {
        const int border = previewViewport->borderSize();
        m_fitZoom = std::min({ 1.0, static_cast<double>(area.width() - border) / picture.width(),
            static_cast<double>(area.height() - border) / picture.height() });
        m_fitZoom = std::max(m_fitZoom, ZoomSteps.front());
    }
    const QSize shown = atZoom(picture, zoom());
    previewViewport->resize(previewViewport->sizeFor(shown, area));
    previewViewport->setPictureSize(shown);
    placePreviewImage();
    placeLabels();
    // The new zoom told once, with the decode it may need.
    if (zoom() != m_toldZoom) refinePreviewPicture();
    if (zoom() != m_toldZoom || m_fit != m_toldFit) {
        m_toldZoom = zoom();
        m_toldFit = m_fit;
        emit zoomChanged();
    }
}

void PreviewPane::followPhoto()
{
    const QString& photo = m_engine.photo().photoPath();
    if (photo == m_photo) return;
    m_photo = photo;
    m_imageOffset = QPoint();
    m_fit = true;
}

QSize PreviewPane::pictureSize() const
{
    const PixelSurface* display = m_engine.photo().displayPicture();
    if (m_engine.photo().workReady() && display) return QSize(display->width(), display->height());
    // With the caption strip the pictures carry its band below the photo.
    return m_engine.outputSize();
}

QSize PreviewPane::atZoom(QSize size, double zoom)
{
    if (size.isEmpty() || zoom == 1.0) return size;
    return QSize(std::max(1, static_cast<int>(std::lround(size.width() * zoom))),
        std::max(1, static_cast<int>(std::lround(size.height() * zoom))));
}

double PreviewPane::zoom() const
{
    return m_fit ? m_fitZoom : m_zoom;
}

void PreviewPane::zoomToFit()
{
    m_fit = true;
    m_imageOffset = QPoint();
    onResize();
}

void PreviewPane::setZoom(double zoom, std::optional<QPointF> anchor)
{
    zoom = std::clamp(zoom, ZoomSteps.front(), ZoomSteps.back());
    const QSize inner = previewViewport->client()->size();
    const QPointF at = anchor.value_or(QPointF(inner.width() / 2.0, inner.height() / 2.0));
    // The place of the picture under at, in its own pixels.
    const double before = this->zoom();
    const QPointF spot = (at - QPointF(m_imageOffset)) / before;
    m_fit = false;
    m_zoom = zoom;
    const QPointF offset = at - spot * zoom;
    m_imageOffset = QPoint(static_cast<int>(std::lround(offset.x())), static_cast<int>(std::lround(offset.y())));
    onResize();
}

void PreviewPane::zoomIn(std::optional<QPointF> at)
{
    // A step that changes little (33 % after a fit at 32 %) is passed over.
    const double now = zoom();
    for (double step : ZoomSteps)
        if (step > now * MinStep) return setZoom(step, at);
}

void PreviewPane::zoomOut(std::optional<QPointF> at)
{
    const double now = zoom();
    for (auto step = ZoomSteps.rbegin(); step != ZoomSteps.rend(); ++step)
        if (*step < now / MinStep) return setZoom(*step, at);
}

void PreviewPane::wheelEvent(QWheelEvent* event)
{
    onWheel(event);
}

void PreviewPane::onWheel(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        // The wheel alone scrolls, with Shift across.
        const QPoint turn = event->angleDelta();
        const bool across = (event->modifiers() & Qt::ShiftModifier) || turn.y() == 0;
        QScrollBar* bar = across ? previewViewport->horizontalBar() : previewViewport->verticalBar();
        if (!bar->isVisible()) {
            event->ignore();
            return;
        }
        // Without Shift, which would make the bar scroll by pages.
        QWheelEvent plain(QPointF(), event->globalPosition(), event->pixelDelta(),
            QPoint(0, turn.y() != 0 ? turn.y() : turn.x()), event->buttons(), Qt::NoModifier, event->phase(),
            event->inverted());
        QApplication::sendEvent(bar, &plain);
        event->accept();
        return;
    }
    event->accept();
    // Each notch is a step; a touchpad's small turns add up to one.
    m_wheelTurn += event->angleDelta().y();
    const QPointF at = previewViewport->client()->mapFromGlobal(event->globalPosition());
    while (m_wheelTurn >= 120) {
        m_wheelTurn -= 120;
        zoomIn(at);
    }
    while (m_wheelTurn <= -120) {
        m_wheelTurn += 120;
        zoomOut(at);
    }
}

void PreviewPane::showControls()
{
    followPhoto();
    const PhotoState& photo = m_engine.photo();
    const bool working = photo.workReady();
    previewViewport->setVisible(!photo.photoPath().isEmpty());
    previewImage->setVisible(!working);
    displayView->setVisible(working);
    // The display picture carries its stamp printed.
    stampLowerLabel->setVisible(m_engine.showDate() && !working);
    stampUpperLabel->setVisible(m_engine.showDate() && !working);
    onResize();
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
    previewImage->setPicture(m_engine.previewWithStrip(atZoom(m_engine.previewSize(), zoom())));
}

void PreviewPane::refinePreviewPicture()
{
    // Only a preview on show, and only when a zoom shows more than its
    // decode holds is it decoded again; a decode that fails now leaves the
    // picture that was shown.
    if (previewImage->picture().isNull() || m_engine.photo().workReady()) return;
    try {
        const QImage picture = m_engine.previewWithStrip(atZoom(m_engine.previewSize(), zoom()));
        if (picture.cacheKey() != previewImage->picture().cacheKey()) previewImage->setPicture(picture);
    } catch (const RuntimeError&) {
    } catch (const std::bad_alloc&) {
    }
}

void PreviewPane::showDisplayPicture()
{
    if (m_engine.photo().workReady() && m_engine.photo().displayPicture() != nullptr)
        displayView->setPicture(m_engine.photo().displayPicture()->toImage());
}

void PreviewPane::placePreviewImage()
{
    const double zoom = this->zoom();
    const QSize inner = previewViewport->client()->size();
    const QSize shown = atZoom(pictureSize(), zoom);
    // No gap below or right of a picture larger than the viewport; one
    // smaller sits at the corner.
    m_imageOffset = QPoint(std::clamp(m_imageOffset.x(), std::min(0, inner.width() - shown.width()), 0),
        std::clamp(m_imageOffset.y(), std::min(0, inner.height() - shown.height()), 0));
    previewViewport->setScrollPosition(-m_imageOffset);
    // The open hand tells that the picture can be panned, where it can.
    const bool pannable = shown.width() > inner.width() || shown.height() > inner.height();
    if (pannable != m_pannable) {
        m_pannable = pannable;
        for (PictureView* view : { previewImage, displayView })
            if (pannable)
                view->setCursor(Cursors::openHand());
            else
                view->unsetCursor();
    }
    previewImage->setGeometry(QRect(m_imageOffset, atZoom(m_engine.outputSize(), zoom)));
    const PixelSurface* display = m_engine.photo().displayPicture();
    displayView->setGeometry(
        QRect(m_imageOffset, atZoom(display ? QSize(display->width(), display->height()) : QSize(), zoom)));
}

void PreviewPane::placeLabels()
{
    // The labels show the stamp as it will be printed: at its size, at its
    // anchored place, inside the picture, all at the zoom.
    const StampPlacement::Layout shown = m_engine.shownStamp();
    const QString& text = m_engine.labelText();
    const double zoom = this->zoom();
    stampLowerLabel->setStamp(
        text, shown.font, BgrColor::toQColor(m_engine.settings().dateColor1), zoom, shown.lineAlignment);
    stampUpperLabel->setStamp(
        text, shown.font, BgrColor::toQColor(m_engine.settings().dateColor2), zoom, shown.lineAlignment);
    const QPoint corner = previewImage->pos();
    stampLowerLabel->move(corner + toView(shown.first, zoom));
    stampUpperLabel->move(corner + toView(shown.second, zoom));
}

// ---- Panning and the stamp ----------------------------------------------

bool PreviewPane::eventFilter(QObject* watched, QEvent* event)
{
    const bool picture = watched == previewImage || watched == displayView;
    if (!picture && watched != stampUpperLabel) return QWidget::eventFilter(watched, event);
    // The picture and the stamp turn the wheel before any parent would.
    if (event->type() == QEvent::Wheel) {
        onWheel(static_cast<QWheelEvent*>(event));
        return true;
    }
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
    if (picture) {
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
    const QSize shown = atZoom(pictureSize(), zoom());
    const QSize inner = previewViewport->client()->size();
    const QPoint delta = (at - m_imageGrab).toPoint();

    // The photo moves with the cursor, but only towards a hidden edge, and
    // never so far that a gap opens below or right of it. The stamp stays
    // where it is on the photo.
    const auto panAxis = [](int start, int size, int inner, int delta) {
        if (size <= inner) return start;
        if (delta > 0) {
            if (start < 0) start += delta;
        } else if (size + start > inner) {
            start += delta;
        }
        return std::min(0, std::max(start, inner - size));
    };
    m_imageOffset = QPoint(panAxis(m_imageOffset.x(), shown.width(), inner.width(), delta.x()),
        panAxis(m_imageOffset.y(), shown.height(), inner.height(), delta.y()));
    placePreviewImage();
    placeLabels();
}

void PreviewPane::onStampMouseMove(Qt::MouseButtons Button, QPointF at)
{
    if (Button != Qt::LeftButton) return;
    // The grabbed point follows the cursor, and the stamp with it, so the
    // new place survives a restart. The upper text goes to the working
    // image's pixel nearest to where the label is dragged; at 100 % that
    // is the label's own place.
    const QPointF label = QPointF(stampUpperLabel->pos() - previewImage->pos()) + at - m_labelGrab;
    const double zoom = this->zoom();
    const QPoint target(
        static_cast<int>(std::nearbyint(label.x() / zoom)), static_cast<int>(std::nearbyint(label.y() / zoom)));
    m_engine.dragStamp(QPointF(target - m_engine.shownStamp().second));
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
