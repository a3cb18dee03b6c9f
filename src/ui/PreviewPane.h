#pragma once

#include <QWidget>

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
// stops at the photo's edges; the drop may anchor the stamp anew.
//
// The photo's size, the stamp's position and Show Date are the engine's, in
// pixels of the working image; this widget shows them, keeps how far the
// photo is panned, and tells the engine where the stamp is dragged.
class PreviewPane : public QWidget {
    Q_OBJECT

public:
    PreviewPane(PhotoEngine& engine, QWidget* parent = nullptr);

    // The layout rule: the viewport fills the area, less a margin on the
    // right and at the bottom, but is never larger than the photo.
    void onResize();
    // Shows the engine's state: the viewport while a photo is previewed, the
    // display picture once its working image is built, the photo's and the
    // labels' places.
    void showControls();
    // Puts the photo back at the viewport's top-left corner.
    void resetPan();
    // How far the photo is panned: its top-left corner in the viewport.
    QPoint imageOffset() const { return m_imageOffset; }
    // The open photo's preview picture, at the preview's size.
    void loadPreviewPicture();
    void clearPreviewPicture();
    // The working image with its stamp, as the engine rendered it last.
    void showDisplayPicture();

    PreviewViewport* previewViewport;
    PictureView* previewImage;
    StampLabelView* stampLowerLabel;
    StampLabelView* stampUpperLabel;
    PictureView* displayView;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onPictureMouseMove(Qt::MouseButtons Button, QPointF at);
    void onStampMouseMove(Qt::MouseButtons Button, QPointF at);
    // The end of a drag of the stamp.
    void onStampMouseRelease();
    void placePreviewImage();
    void placeLabels();

    PhotoEngine& m_engine;
    QPoint m_imageOffset;
    // Where the mouse went down on the photo and on the upper stamp label,
    // in pixels from their top-left corners.
    QPointF m_imageGrab;
    QPointF m_labelGrab;
};
