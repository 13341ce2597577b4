#pragma once
// Golden files: outputs pinned against copies stored in tests/golden/, so that
// a change of the random sequence, the model or the drawing fails loudly.
//
// A deliberate change renews them: run the tests with PANDEMIE_RENEW_GOLDEN=1,
//   PANDEMIE_RENEW_GOLDEN=1 ctest --test-dir build -R '^golden'
// which writes the files instead of comparing, look at the differences
// (git diff, the images), and commit them in the same commit as the change,
// saying in its message why the outputs changed.
//
// Images hold text in Carlito (for "Calibri", fonts-crosextra-carlito); with
// the packages of packages.txt on Debian 12 the pixels are the same on every
// machine. A different face is reported as such, not as a pixel difference.

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QImage>

#include <cstdlib>
#include <fstream>
#include <string>

#include "chart/surface.h"
#include "tests/scratch.h"

namespace golden {

[[nodiscard]] inline std::filesystem::path pathOf(const std::string& name) {
    return std::filesystem::path(PANDEMIE_GOLDEN_DIR) / name;
}

[[nodiscard]] inline bool renewing() {
    return std::getenv("PANDEMIE_RENEW_GOLDEN") != nullptr;
}

inline void expectText(const std::string& name, const std::string& actual) {
    if (renewing()) std::ofstream(pathOf(name), std::ios::binary) << actual;
    EXPECT_EQ(actual, scratch::readFile(pathOf(name)))
        << "differs from tests/golden/" << name << "; renew it only for a deliberate change (tests/golden.h)";
}

// Compares pixel by pixel; on a difference the image is left as <name>.actual.png
// in the working folder, and the count and bounds of the differing pixels are reported.
inline void expectImage(const std::string& name, const QImage& image) {
    const QString stored = QString::fromStdString(pathOf(name).string());
    if (renewing()) image.save(stored);
    ASSERT_EQ(QFontInfo(chart::fontFor(QStringLiteral("Calibri"), 12)).family(), "Carlito")
        << "the chart's face is missing: install fonts-crosextra-carlito (packages.txt)";
    const QImage actual = image.convertToFormat(QImage::Format_RGB32);
    const QImage expected = QImage(stored).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(actual.size(), expected.size()) << "tests/golden/" << name;
    int differing = 0;
    QRect bounds;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y)) {
                ++differing;
                bounds |= QRect(x, y, 1, 1);
            }
    if (differing > 0) actual.save(QString::fromStdString(name + ".actual.png"));
    EXPECT_EQ(differing, 0) << "pixels differ from tests/golden/" << name << " within (" << bounds.left()
                            << "," << bounds.top() << ")-(" << bounds.right() << "," << bounds.bottom()
                            << "); see " << name
                            << ".actual.png; renew only for a deliberate change (tests/golden.h)";
}

}  // namespace golden
