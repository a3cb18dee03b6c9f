#pragma once

#include <QFrame>

// The viewport of the preview (previewViewport): a sunken frame whose inner area,
// client(), holds the photo and the stamp labels and clips them. Positions
// of the things inside count from the inner area's top-left corner.
class PreviewViewport : public QFrame {
    Q_OBJECT

public:
    explicit PreviewViewport(QWidget* parent = nullptr);

    QWidget* client() const { return m_client; }
    // The width and height of the frame's border, together on both sides.
    int borderSize() const { return 2 * frameWidth(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* m_client;
};
