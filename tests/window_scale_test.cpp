// The window on a screen of device pixel ratio 2 (run with QT_SCALE_FACTOR=2).
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>

#include "chart/run_image.h"
#include "ui/form1.h"
#include "ui/picture_box.h"

TEST(windowScale, chartIsDrawnAtTheScreensRatioInTheSamePixelsOfItsOwn) {
    Form1 form;
    form.Form_Load();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_EQ(form.Picture1->devicePixelRatioF(), 2);
    const chart::Surface& surface = form.Picture1->surface();
    EXPECT_EQ(surface.screenImage().size(), QSize(2 * chart::Surface::width, 2 * chart::Surface::height));
    EXPECT_EQ(surface.image(), chart::firstRunImage(form.lastRun)) << "files and tests see the same chart";
    EXPECT_EQ(form.Picture1->geometry(), QRect(414, 6, 801, 617));
    // Day 1 of the not-infected curve, at (64, 62.5) in the chart's pixels.
    EXPECT_EQ(form.Picture1->grab().toImage().pixelColor(2 * (64 + 2), 2 * (62 + 2)), QColor(0, 0, 255));
    // The pointer in the widget's own coordinates, as the platform reports it.
    const QPointF pointer(100 + 2, 300 + 2);
    QMouseEvent move(QEvent::MouseMove, pointer, form.Picture1->mapToGlobal(pointer), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(form.Picture1, &move);
    EXPECT_EQ(form.Text1->text(), " 100      300");
    EXPECT_EQ(form.Text4->text(), "Tag    10");
}

// Between device pixels the pointer stands at half pixels; delivered through
// the window, such a move reads as the exact position would.
TEST(windowScale, readoutOfAPointerBetweenPixelsIsThatOfItsExactPosition) {
    Form1 form;
    form.Form_Load();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const auto moveTo = [&](double x, double y) {
        const QPointF inWindow = QPointF(form.Picture1->pos() + QPoint(2, 2)) + QPointF(x, y);
        QMouseEvent move(QEvent::MouseMove, inWindow, inWindow, form.windowHandle()->mapToGlobal(inWindow),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(form.windowHandle(), &move);
    };
    moveTo(100.5, 300.5);
    EXPECT_EQ(form.mouseX, 100.5F);
    EXPECT_EQ(form.Text1->text(), " 100.5      300") << "y 300.5 goes to the even 300";
    EXPECT_EQ(form.Text3->text(), "rel. Anteil   52   %");
    EXPECT_EQ(form.Text4->text(), "Tag    10");
    moveTo(60.5, 60.5);
    EXPECT_EQ(form.Text1->text(), "") << "y 60.5 goes to 60, on the frame";
    moveTo(62.5, 61.5);
    EXPECT_EQ(form.Text1->text(), " 62.5      62");
    EXPECT_EQ(form.Text4->text(), "Tag    1") << "day 0.625 is nearest to 1";
}
