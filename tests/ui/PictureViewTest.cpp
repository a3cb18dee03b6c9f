#include "ui/PictureView.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// A picture of the given format, red on its left half and blue on its right.
QImage halves(QSize size, QImage::Format format)
{
    QImage picture(size, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.fillRect(0, 0, size.width() / 2, size.height(), Qt::red);
    painter.fillRect(size.width() / 2, 0, size.width() - size.width() / 2, size.height(), Qt::blue);
    painter.end();
    return picture.convertToFormat(format);
}

QImage shown(PictureView& view)
{
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

TEST(PictureViewTest, ShowsEachNewPictureStretchedOverItselfWhateverItsFormat)
{
    PictureView view;
    view.resize(40, 30);

    // A picture of the view's size in the format it paints as it is.
    QImage green(40, 30, QImage::Format_RGB32);
    green.fill(Qt::green);
    view.setPicture(green);
    EXPECT_EQ(shown(view), green);

    // The next picture replaces it even at the same size and format. The
    // display picture comes in 24 bits, a preview may be larger than the
    // view: both are converted and stretched, left stays left.
    for (const QImage& picture :
        { halves(QSize(40, 30), QImage::Format_RGB32), halves(QSize(40, 30), QImage::Format_BGR888),
            halves(QSize(80, 60), QImage::Format_RGB32), halves(QSize(10, 10), QImage::Format_BGR888) }) {
        view.setPicture(picture);
        const QImage on = shown(view);
        ASSERT_EQ(on.size(), QSize(40, 30));
        EXPECT_EQ(on.pixel(5, 15), qRgb(255, 0, 0)) << picture.width() << " " << picture.format();
        EXPECT_EQ(on.pixel(34, 15), qRgb(0, 0, 255)) << picture.width() << " " << picture.format();
    }

    // A new size stretches the same picture again.
    view.resize(20, 50);
    const QImage on = shown(view);
    ASSERT_EQ(on.size(), QSize(20, 50));
    EXPECT_EQ(on.pixel(2, 25), qRgb(255, 0, 0));
    EXPECT_EQ(on.pixel(17, 25), qRgb(0, 0, 255));

    // No picture: the window's background, nothing of the last picture.
    view.setPicture(QImage());
    EXPECT_EQ(shown(view).pixel(2, 25), view.palette().color(QPalette::Window).rgb());
}
