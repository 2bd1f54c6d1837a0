#include "gui/app/windowplace.h"
#include "gui/views/devicepixels.h"

#include <cmath>
#include <gtest/gtest.h>

namespace velmora::gui {
namespace {

TEST(DevicePixels, RectanglesThatMeetStillMeetAndRowsAreEvenAtEveryScale)
{
    for (const qreal ratio : {1.0, 1.25, 1.5, 1.75, 2.0}) {
        const QTransform toDevice = QTransform::fromScale(ratio, ratio) * QTransform::fromTranslate(3, 7);
        // Rows of 15 one under the other: no gap, no overlap, every edge on a whole pixel.
        QRect above = DevicePixelRect(QRectF(0, 0, 40, 15), toDevice);
        for (int row = 1; row < 18; ++row) {
            const QRect next = DevicePixelRect(QRectF(0, row * 15, 40, 15), toDevice);
            EXPECT_EQ(next.top(), above.bottom() + 1) << ratio << " row " << row;
            EXPECT_EQ(next.left(), above.left());
            EXPECT_EQ(next.width(), above.width());
            above = next;
        }
        // The row height that is whole in device pixels, so rows are equally tall.
        const int height = EvenRowHeight(15, ratio);
        EXPECT_GE(height, 15);
        EXPECT_LE(height, 16);
        EXPECT_DOUBLE_EQ(height * ratio, std::round(height * ratio)) << ratio;
    }
    EXPECT_EQ(EvenRowHeight(15, 1.0), 15);
    EXPECT_EQ(EvenRowHeight(15, 1.5), 16);
}

TEST(WindowPlace, AWindowInsideTheSafeAreaEndsOnTheScreenInDevicePixels)
{
    for (const qreal ratio : {1.0, 1.25, 1.5, 1.75, 2.0}) {
        for (const int devicePixels : {1366, 1600, 1920, 2560, 3840}) {
            // The screen as Qt reports it: its device pixels divided by the scale, rounded.
            const int logical = qRound(devicePixels / ratio);
            const QRect available(0, 0, logical, logical / 2);
            const QRect safe = DeviceSafeArea(available, ratio);
            EXPECT_TRUE(available.contains(safe));
            EXPECT_GE(safe.width(), logical - 2);
            // A frame flush with the safe area's right edge, its position and size each
            // rounded on their way to device pixels, ends inside the screen.
            const QRect frame(safe.right() - 499, 0, 500, 100);
            const int end = qRound(frame.left() * ratio) + qRound(frame.width() * ratio);
            EXPECT_LE(end, devicePixels) << ratio << " " << devicePixels;
        }
    }
    const QRect screen(0, 0, 1920, 1040);
    EXPECT_EQ(DeviceSafeArea(screen, 1.0), screen);
    EXPECT_EQ(DeviceSafeArea(screen, 2.0), screen);
}

TEST(WindowPlace, BesideARowRightOfItElseLeftAlwaysInside)
{
    const QRect available(0, 0, 1000, 700);
    const QSize size(150, 140);
    // Room on the right: level with the row, right of it.
    EXPECT_EQ(PlaceBeside(QRect(100, 200, 400, 15), size, available), QRect(QPoint(500, 200), size));
    // None on the right: left of it.
    EXPECT_EQ(PlaceBeside(QRect(400, 200, 550, 15), size, available), QRect(QPoint(250, 200), size));
    // A row near the bottom: moved up to stay on the screen.
    EXPECT_EQ(PlaceBeside(QRect(100, 650, 400, 15), size, available), QRect(QPoint(500, 560), size));
    // Room on neither side: inside, over the row's right end.
    const QRect wide = PlaceBeside(QRect(50, 100, 900, 15), size, available);
    EXPECT_TRUE(available.contains(wide));
}

} // namespace
} // namespace velmora::gui
