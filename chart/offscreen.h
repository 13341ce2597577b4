#pragma once
// Qt without a screen: the tool's images, the tests and the benchmarks draw
// on the offscreen platform with the program's font substitutes, so that
// their pixels are those of the window.

#include <QByteArray>
#include <QGuiApplication>

#include <memory>

#include "chart/surface.h"

namespace chart {

// Starts the application (QGuiApplication, or QApplication for widgets) on
// the offscreen platform; argc and argv must outlive it.
template <typename Application = QGuiApplication>
[[nodiscard]] std::unique_ptr<Application> startOffscreen(int& argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    auto application = std::make_unique<Application>(argc, argv);
    installFontSubstitutes();
    return application;
}

}  // namespace chart
