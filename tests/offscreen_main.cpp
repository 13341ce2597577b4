// The main of the window and chart tests: a real application on Qt's
// offscreen platform, with the program's font substitutes.
#include <gtest/gtest.h>

#include <QApplication>

#include "surface.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    chart::installFontSubstitutes();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
