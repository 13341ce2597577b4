#include <gtest/gtest.h>

#include <QImage>

#include "chart/chart.h"
#include "chart/surface.h"
#include "tests/ink_height.h"

TEST(chart, frameGridAndLegendPanelLieOnTheirCoordinates) {
    chart::Surface picture;
    chart::rahmen2(picture);
    const QImage& image = picture.image();
    const QColor black(0, 0, 0);
    const QColor white(255, 255, 255);
    for (const QPoint p : {QPoint(60, 300), QPoint(783, 300), QPoint(400, 60), QPoint(400, 560),     // box
                           QPoint(300, 500), QPoint(660, 500), QPoint(700, 160), QPoint(700, 460)})  // grid
        EXPECT_EQ(image.pixelColor(p.x(), p.y()), black) << p.x() << "," << p.y();
    EXPECT_EQ(image.pixelColor(784, 300), white) << "the box ends at x 783";
    EXPECT_EQ(image.pixelColor(780, 540), white) << "no grid line at day 180";
    EXPECT_EQ(image.pixelColor(180, 405), white) << "the legend panel hides the grid";
    EXPECT_EQ(image.pixelColor(75, 360), white);
    EXPECT_EQ(image.pixelColor(180, 422), black);
    // The frame leaves size 9, black, empty face and line width 1.
    EXPECT_EQ(picture.FontSize(), 9);
    EXPECT_EQ(picture.FontName(), "");
    EXPECT_EQ(picture.DrawWidth(), 1);
}

TEST(chart, keptDrawingIsRenderedAnewAtAnyRatio) {
    chart::Surface late;
    chart::Surface early;
    early.setDevicePixelRatio(2);
    for (chart::Surface* picture : {&late, &early}) {
        chart::rahmen2(*picture);
        chart::copyright(*picture);
    }
    late.setDevicePixelRatio(2);
    EXPECT_EQ(late.screenImage().size(), QSize(2 * chart::Surface::width, 2 * chart::Surface::height));
    EXPECT_EQ(late.screenImage(), early.screenImage());
    EXPECT_EQ(late.image(), early.image()) << "one pixel per pixel whatever the screen";
    EXPECT_EQ(late.CurrentY(), early.CurrentY()) << "text layout does not depend on the screen";
    // Text drawn at the ratio, not enlarged: "Tage" twice as high, in finer steps.
    const int height = inkHeight(late.image(), QRect(700, 568, 60, 30));
    EXPECT_NEAR(inkHeight(late.screenImage(), QRect(1400, 1136, 120, 60)), 2 * height, 2);
    EXPECT_NE(late.screenImage(), late.image().scaled(late.screenImage().size()));
    late.setDevicePixelRatio(1);
    EXPECT_EQ(&late.screenImage(), &late.image());
}
