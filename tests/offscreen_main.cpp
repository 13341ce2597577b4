// The main of the programs that draw: a real application on Qt's offscreen
// platform, with the program's font substitutes; for the window's tests one
// with widgets.
#include <gtest/gtest.h>

#ifdef PANDEMIE_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

#include "chart/offscreen.h"

int main(int argc, char** argv) {
    const auto application = chart::startOffscreen<TestApplication>(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
