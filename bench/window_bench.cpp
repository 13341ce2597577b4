// The window on the offscreen platform: a click on "Berechnen" until the
// chart is repainted, and start-up until the window is shown with its first
// run drawn.
//   build/bench/window_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include "bench/bench_main.h"
#include "chart/offscreen.h"
#include "ui/form1.h"

namespace {

// Each benchmark makes its own application, so that start-up pays for
// everything a start of the program pays for but loading the binary.
int qtArgc = 1;
char qtName[] = "window_bench";
char* qtArgv[] = {qtName, nullptr};

// What main does after making the application: the first run, then the window on screen.
void startUp(Form1& window, benchmark::State& state) {
    window.Form_Load();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) state.SkipWithError("window not exposed");
    QApplication::processEvents();
}

void BM_BerechnenClickToRepaintedChart(benchmark::State& state) {
    const auto application = chart::startOffscreen<QApplication>(qtArgc, qtArgv);
    Form1 window;
    startUp(window, state);
    for (auto _ : state) {
        QTest::mouseClick(window.Command4, Qt::LeftButton);
        QApplication::processEvents();
    }
}
BENCHMARK(BM_BerechnenClickToRepaintedChart)->Unit(benchmark::kMillisecond);

void BM_StartUpToShownWindow(benchmark::State& state) {
    for (auto _ : state) {
        const auto application = chart::startOffscreen<QApplication>(qtArgc, qtArgv);
        Form1 window;
        startUp(window, state);
    }
}
BENCHMARK(BM_StartUpToShownWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return bench::runBenchmarks({argv, argv + argc});
}
