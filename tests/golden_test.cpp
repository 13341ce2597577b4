// The tool's outputs and the window's random sequence against tests/golden/
// (renewal: tests/golden.h).
#include <gtest/gtest.h>

#include <QImage>

#include <array>
#include <cstdint>
#include <string>

#include "model/random.h"
#include "tests/cli_process.h"
#include "tests/golden.h"

namespace {

using cli_process::runCli;

TEST(golden, windowGeneratorsFirstValuesOnBothPaths) {
    // Three rounds of the four streams: the second and third depend on every
    // word of the step.
    pandemie::Random single(pandemie::windowSeed);
    std::string text = "next24:";
    for (int i = 0; i < 12; ++i) text += ' ' + std::to_string(single.next24());
    pandemie::Random bulk(pandemie::windowSeed);
    std::array<std::int16_t, 12> filled{};
    bulk.fillWholeNumbers(filled.data(), static_cast<int>(filled.size()));
    text += "\nfillWholeNumbers:";
    for (const std::int16_t value : filled) text += ' ' + std::to_string(value);
    golden::expectText("generator.txt", text + '\n');
}

TEST(golden, defaultRunAndEnsembleSummary) {
    const cli_process::Outcome run = runCli({});
    ASSERT_EQ(run.status, 0) << run.err;
    golden::expectText("first_run.csv", run.out);
    const cli_process::Outcome pressed = runCli({"--press", "4"});
    ASSERT_EQ(pressed.status, 0) << pressed.err;
    golden::expectText("fourth_press.csv", pressed.out);
    const cli_process::Outcome ensemble = runCli({"--runs", "200", "--seed", "5", "--summary", "-"});
    ASSERT_EQ(ensemble.status, 0) << ensemble.err;
    golden::expectText("summary_runs200_seed5.csv", ensemble.out);
}

TEST(golden, firstRunImage) {
    const cli_process::Outcome png = runCli({"--png", "-"});
    ASSERT_EQ(png.status, 0) << png.err;
    golden::expectImage("first_run.png", QImage::fromData(QByteArray::fromStdString(png.out), "PNG"));
}

}  // namespace
