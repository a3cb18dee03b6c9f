#pragma once

#include "platform/Twips.h"
#include <QDialog>
#include <QImage>
#include <QList>
#include <QPoint>

class QFrame;
class QLabel;
class QTimer;

// The About window: title, version, executable, the organisation with its
// web page and e-mail address, two credit links and a small looping
// animation. It has no title bar: it is moved by dragging its free area and
// closed by the drawn cross in its top right corner. A left press on the
// animation pauses it, a right press while paused steps it, releasing the
// left button resumes it.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* owner = nullptr);

    // Who the program is and where its links lead.
    static const QString AppTitle;
    static const QString OrganisationName;
    static const QString WebPage;
    static const QString EMail;
    static const QString ImagingCreditPage;
    static const QString ExifCreditPage;

    // One tick of the animation's timer.
    void animationStep();
    int frameNumber() const { return m_frame; }
    // animationImage's top inside the viewport, in twips.
    int animationTop() const;
    // The frame durations in milliseconds, from the strip's timing text.
    const QList<int>& frameDurations() const { return m_durations; }
    // The link a click on the label opens; empty for other labels.
    QString linkOf(const QLabel* label) const;

    QTimer* animationTimer() const { return m_timer; }
    QLabel* animationImage() const { return m_animationImage; }
    QFrame* buttonFrame() const { return m_buttonFrame; }
    QLabel* exitLabel() const { return m_exit; }
    QLabel* topLabel() const { return m_top; }
    QLabel* bottomLabel() const { return m_down; }
    QLabel* appNameLabel() const { return m_appName; }
    QLabel* versionLabel() const { return m_version; }
    QLabel* exeLabel() const { return m_exe; }
    QLabel* copyrightLabel() const { return m_copyRight; }
    QLabel* organisationLabel() const { return m_cieName; }
    QLabel* imagingCreditLabel() const { return m_imagingCreditLabel; }
    QLabel* exifCreditLabel() const { return m_exifCreditLabel; }

    static constexpr int TwipsPerPixel = Twips::PerPixel;
    // The client area lies inside a thin border of 45 twips.
    static constexpr int BorderTwips = 45;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* addLabel(const QString& text, const TwipsRect& place);
    QLabel* addLink(const QString& text, const TwipsRect& place, quint32 color);
    void showButtonFrame(bool visible);
    void setSunken(bool sunken);
    bool animationEvent(QEvent* event);
    bool exitEvent(QEvent* event);

    QLabel* m_appName;
    QLabel* m_version;
    QLabel* m_exe;
    QLabel* m_copyRight;
    QLabel* m_cieName;
    QLabel* m_imagingCreditLabel;
    QLabel* m_exifCreditLabel;
    QFrame* m_buttonFrame;
    QLabel* m_animationImage;
    QLabel* m_exit;
    QLabel* m_top;
    QLabel* m_down;
    QTimer* m_timer;
    QImage m_band;
    QPoint m_exitHome;
    QList<int> m_durations;
    int m_frame = 0;
    QPoint m_pressed; // twips
};
