#pragma once

#include <QWidget>

#include <array>
#include <optional>

class PhotoEngine;
class PictureView;
class PreviewViewport;
class StampLabelView;

// The picture area of the main window, right of the left column. While a
// photo is previewed it shows the viewport (previewViewport) with the photo
// (previewImage), which the user pans with the mouse, and the two stamp labels
// over it, of which the upper one (stampUpperLabel) is dragged and the lower one
// (stampLowerLabel) follows at the stamp's offset. Once the working image is built
// the same viewport shows the display picture (displayView), with its stamp
// printed, in the photo's place instead.
//
// The labels show the stamp where and as large as it will be printed
// (PhotoEngine::shownStamp): anchored, sized to the photo, inside it. A drag
// stops at the photo's edges; the drop may anchor the stamp anew. At any
// zoom the dragged text goes to the working image's pixel nearest to the
// label's place, so a drop lands on the output as the same drop at 100 %.
//
// The picture is shown at a zoom of the view's own, which changes no pixel
// of the working image or the outputs: fitted to the area (never enlarged)
// until the user chooses a zoom, with scroll bars when it is larger than
// the viewport. A new photo opens fitted; effects, saves and drags of the
// stamp keep the zoom and how far the picture is scrolled.
//
// The photo's size, the stamp's position and Show Date are the engine's, in
// pixels of the working image; this widget shows them, keeps how far the
// photo is panned, and tells the engine where the stamp is dragged.
class PreviewPane : public QWidget {
    Q_OBJECT

public:
    PreviewPane(PhotoEngine& engine, QWidget* parent = nullptr);

    // The layout rule: the viewport fills the area, less a margin on the
    // right and at the bottom, but is never larger than the picture at its
    // zoom (with the scroll bars it then needs).
    void onResize();
    // Shows the engine's state: the viewport while a photo is previewed, the
    // display picture once its working image is built, the photo's and the
    // labels' places.
    void showControls();
    // Puts the photo back at the viewport's top-left corner.
    void resetPan();
    // How far the photo is panned: its top-left corner in the viewport.
    QPoint imageOffset() const { return m_imageOffset; }
    // The open photo's preview picture, decoded no larger than needed for
    // the size it is shown at.
    void loadPreviewPicture();
    void clearPreviewPicture();
    // The working image with its stamp, as the engine rendered it last.
    void showDisplayPicture();

    // View pixels per pixel of the working image.
    double zoom() const;
    bool fitsWindow() const { return m_fit; }
    // Fit: the whole picture in the area, at 100 % at most.
    void zoomToFit();
    // A zoom of the user's choice, the point at of the viewport's inner
    // area staying over the same place of the picture (the area's centre
    // when none is given). Between ZoomSteps' first and last.
    void setZoom(double zoom, std::optional<QPointF> at = std::nullopt);
    // The next step of ZoomSteps above or below the zoom in use, a tenth
    // away from it at least.
    void zoomIn(std::optional<QPointF> at = std::nullopt);
    void zoomOut(std::optional<QPointF> at = std::nullopt);
    static constexpr std::array<double, 13> ZoomSteps { 1.0 / 16, 1.0 / 8, 1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3, 1, 1.5,
        2, 3, 4, 6, 8 };

    PreviewViewport* previewViewport;
    PictureView* previewImage;
    StampLabelView* stampLowerLabel;
    StampLabelView* stampUpperLabel;
    PictureView* displayView;

signals:
    // The zoom or the fit changed.
    void zoomChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onPictureMouseMove(Qt::MouseButtons Button, QPointF at);
    void onStampMouseMove(Qt::MouseButtons Button, QPointF at);
    // With Ctrl the wheel zooms about the cursor, else it scrolls (with
    // Shift across).
    void onWheel(QWheelEvent* event);
    // The end of a drag of the stamp.
    void onStampMouseRelease();
    // A new photo opens fitted and unpanned.
    void followPhoto();
    // The preview decoded again when the zoom shows more than it holds.
    void refinePreviewPicture();
    // The picture the viewport shows, unscaled, and at the zoom.
    QSize pictureSize() const;
    static QSize atZoom(QSize size, double zoom);
    void placePreviewImage();
    void placeLabels();

    PhotoEngine& m_engine;
    QPoint m_imageOffset;
    bool m_fit = true;
    // The picture is larger than the viewport: the pictures show the open hand.
    bool m_pannable = false;
    double m_zoom = 1.0;
    double m_fitZoom = 1.0;
    // The zoom zoomChanged told last.
    double m_toldZoom = 1.0;
    bool m_toldFit = true;
    // The photo the zoom and pan belong to.
    QString m_photo;
    // What the wheel turned towards the next zoom step, in eighths of a degree.
    int m_wheelTurn = 0;
    // Where the mouse went down on the photo and on the upper stamp label,
    // in pixels from their top-left corners.
    QPointF m_imageGrab;
    QPointF m_labelGrab;
};
