#pragma once

#include <QWidget>

#include <cstdint>

class PhotoEngine;
class PictureView;
class PreviewViewport;
class StampLabelView;

// The picture area of the main window, right of the left column. While a
// photo is previewed it shows the viewport (picScroll) with the photo
// (Image1), which the user pans with the mouse, and the two stamp labels
// over it, of which the upper one (Label2) is dragged and the lower one
// (Label1) follows at the stamp's offset. Once the working image is built
// it shows the display picture (Picture1) instead, from its top-left corner
// and cut off at the area's edges.
//
// Places and sizes are the engine's controls model, in twips; this widget
// shows the model and writes back what the mouse does to it.
class PreviewPane : public QWidget {
    Q_OBJECT

public:
    PreviewPane(PhotoEngine& engine, QWidget* parent = nullptr);

    // The layout rule: the viewport fills the area, less a margin on the
    // right and at the bottom, but is never larger than the photo.
    void Form_Resize();
    // Shows the controls model: what is visible, the photo's and the
    // labels' places, the display picture's size.
    void showControls();
    // The open photo's preview picture, at the preview's size.
    void loadPreviewPicture();
    void clearPreviewPicture();
    // The working image with its stamp, as the engine rendered it last.
    void showDisplayPicture();

    PreviewViewport* picScroll;
    PictureView* Image1;
    StampLabelView* Label1;
    StampLabelView* Label2;
    PictureView* Picture1;

    // Where the mouse went down on the photo and on the upper stamp label,
    // in twips from their top-left corners.
    int32_t ImageGrabX = 0;
    int32_t ImageGrabY = 0;
    int32_t LabelGrabX = 0;
    int32_t LabelGrabY = 0;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Image1_MouseDown(float X, float Y);
    void Image1_MouseMove(Qt::MouseButtons Button, float X, float Y);
    void Label2_MouseDown(float X, float Y);
    void Label2_MouseMove(Qt::MouseButtons Button, float X, float Y);
    void placeImage1();
    void placeLabels();

    PhotoEngine& m_engine;
};
