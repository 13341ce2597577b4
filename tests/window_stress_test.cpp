// Random user input on the window, from fixed seeds, with the window's
// invariants checked after every step: value labels follow their sliders,
// parameters follow the settled slider values, the readout matches the last
// pointer position over the chart, and the chart keeps its size.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include <array>
#include <cmath>
#include <memory>
#include <random>
#include <string>

#include "form1.h"
#include "hscrollbar.h"
#include "picture_box.h"
#include "scrollbar_parts.h"
#include "surface.h"

namespace {

constexpr int border = 2;  // the chart's drawing area lies inside it

struct Slider {
    HScrollBar* bar;
    QLabel* label;
    std::function<double(const Form1&)> parameter;
};

std::array<Slider, 5> slidersOf(Form1& form) {
    return {{
        {form.HScroll1, form.Label2, [](const Form1& f) { return double(f.calcDays); }},
        {form.HScroll2, form.Label4, [](const Form1& f) { return double(f.encountersPerDay); }},
        {form.HScroll3, form.Label6, [](const Form1& f) { return double(f.infectionPerMille); }},
        {form.HScroll4, form.Label8, [](const Form1& f) { return double(f.latencyDays); }},
        {form.HScroll5, form.Label10, [](const Form1& f) { return double(f.recoveryDays); }},
    }};
}

// Whole numbers as the readout shows them: a blank in front unless negative.
std::string shown(long value) {
    std::string text(value >= 0 ? " " : "");
    text += std::to_string(value);
    return text;
}

long nearestEven(double value) {
    return std::lrint(value);
}  // default rounding: halves to even

// What the three readout boxes say for a pointer at chart pixel (x, y).
struct Readout {
    std::string position, percent, day;
};

Readout expectedReadout(int x, int y) {
    if (!(x > 60 && x < 900 && y > 60 && y < 560)) return {};
    return {shown(x) + "     " + shown(y), "rel. Anteil  " + shown(nearestEven((560 - y) / 5.0)) + "   %",
            "Tag   " + shown(nearestEven((x - 60) / 4.0))};
}

class Stress {
public:
    explicit Stress(unsigned seed) : random_(seed) {
        form_.Form_Load();
        form_.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form_));
        readout_ = {"Berechnung fertig", form_.Text3->text().toStdString(),
                    form_.Text4->text().toStdString()};
    }

    [[nodiscard]] int events() const { return events_; }

    void randomEvent() {
        const int kind = pick(0, 99);
        if (kind < 2) {
            clickCalculate();
        } else if (kind < 6) {
            QTest::mouseClick(form_.Command5, Qt::LeftButton);
            checkDefaults();
        } else if (kind < 22) {
            clickSliderPart();
        } else if (kind < 32) {
            setFromCode();
        } else if (kind < 44) {
            dragThumb();
        } else if (kind < 58) {
            pressKey();
        } else if (kind < 88) {
            moveOverChart(randomChartPoint());
        } else if (kind < 93) {
            QTest::mouseMove(&form_, QPoint(pick(0, form_.Picture1->x() - 1), pick(0, form_.height() - 1)));
            ++events_;
        } else {
            dragOffChart();
        }
        check("after event");
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    Slider slider() { return slidersOf(form_)[static_cast<std::size_t>(pick(0, 4))]; }

    QPoint randomChartPoint() {
        // Mostly on the drawing area, often near the readout's edges at 60, 560 and 900.
        if (pick(0, 3) == 0) {
            const std::array<int, 4> edges{60, 61, 559, 560};
            return {pick(55, 65), edges[static_cast<std::size_t>(pick(0, 3))]};
        }
        return {pick(0, chart::Surface::width - 1), pick(0, chart::Surface::height - 1)};
    }

    void moveOverChart(QPoint chartPoint) {
        QTest::mouseMove(form_.Picture1, chartPoint + QPoint(border, border));
        ++events_;
        const Readout expected = expectedReadout(chartPoint.x(), chartPoint.y());
        readout_ = {expected.position, expected.percent, expected.day};
    }

    void clickCalculate() {
        QTest::mouseClick(form_.Command4, Qt::LeftButton);
        readout_[0] = "Berechnung fertig";
        const pandemie::DailyCounts& last = form_.lastRun.back();
        EXPECT_EQ(last.countSusceptible + last.countInfected + last.countRecovered, 1000);
        ++events_;
    }

    void checkDefaults() {
        const std::array<int, 5> defaults{180, 10, 8, 2, 14};
        const auto sliders = slidersOf(form_);
        for (std::size_t i = 0; i < sliders.size(); ++i) EXPECT_EQ(sliders[i].bar->value(), defaults[i]);
        ++events_;
    }

    void clickSliderPart() {
        const Slider s = slider();
        const std::array<QStyle::SubControl, 4> parts{
            QStyle::SC_ScrollBarSubLine, QStyle::SC_ScrollBarAddLine, QStyle::SC_ScrollBarSubPage,
            QStyle::SC_ScrollBarAddPage};
        const QRect part = partOf(s.bar, parts[static_cast<std::size_t>(pick(0, 3))]);
        if (part.isEmpty()) return;  // no track beside a thumb at an end
        QTest::mouseClick(s.bar, Qt::LeftButton, {}, part.center());
        ++events_;
    }

    void setFromCode() {
        const Slider s = slider();
        const int value = pick(s.bar->minimum(), s.bar->maximum());
        if (pick(0, 1) == 0)
            s.bar->setValueFromCode(value);
        else
            s.bar->setValue(value);
        EXPECT_EQ(s.bar->value(), value);
        ++events_;
    }

    void pressKey() {
        const std::array<Qt::Key, 6> keys{Qt::Key_Left,     Qt::Key_Right, Qt::Key_PageUp,
                                          Qt::Key_PageDown, Qt::Key_Home,  Qt::Key_End};
        const Slider s = slider();
        s.bar->setFocus();
        QTest::keyClick(s.bar, keys[static_cast<std::size_t>(pick(0, 5))]);
        ++events_;
    }

    // Press on the thumb, a few moves (some far off the bar), release.
    void dragThumb() {
        const Slider s = slider();
        const int settled = s.bar->value();
        QPoint at = partOf(s.bar, QStyle::SC_ScrollBarSlider).center();
        QTest::mousePress(s.bar, Qt::LeftButton, {}, at);
        ++events_;
        check("thumb pressed");
        for (int moves = pick(1, 4); moves > 0; --moves) {
            at =
                QPoint(pick(-40, s.bar->width() + 40), pick(0, 5) == 0 ? pick(-60, 60) : s.bar->height() / 2);
            QTest::mouseMove(s.bar, at);
            ++events_;
            EXPECT_EQ(s.bar->value(), settled) << "a drag changes nothing before the release";
            check("thumb dragged");
        }
        QTest::mouseRelease(s.bar, Qt::LeftButton, {}, at);
        ++events_;
    }

    // Press on the chart, moves beyond its edges with the button held, release.
    void dragOffChart() {
        QPoint at = randomChartPoint();
        moveOverChart(at);
        QTest::mousePress(form_.Picture1, Qt::LeftButton, {}, at + QPoint(border, border));
        ++events_;
        for (int moves = pick(1, 5); moves > 0; --moves) {
            at = QPoint(pick(-200, 1100), pick(-200, 800));
            moveOverChart(at);
            check("chart dragged");
        }
        QTest::mouseRelease(form_.Picture1, Qt::LeftButton, {}, at + QPoint(border, border));
        ++events_;
    }

    void check(const char* when) {
        for (const Slider& s : slidersOf(form_)) {
            ASSERT_EQ(s.label->text(), QString::number(s.bar->sliderPosition()))
                << when << ", event " << events_ << ": the label shows the value under the thumb";
            ASSERT_EQ(s.parameter(form_), double(s.bar->value()))
                << when << ", event " << events_ << ": the parameter is the settled value";
        }
        ASSERT_EQ(form_.Text1->text().toStdString(), readout_[0]) << when << ", event " << events_;
        ASSERT_EQ(form_.Text3->text().toStdString(), readout_[1]) << when << ", event " << events_;
        ASSERT_EQ(form_.Text4->text().toStdString(), readout_[2]) << when << ", event " << events_;
        ASSERT_EQ(form_.Picture1->surface().image().size(),
                  QSize(chart::Surface::width, chart::Surface::height));
    }

    std::mt19937 random_;
    Form1 form_;
    std::array<std::string, 3> readout_;  // Text1, Text3, Text4 as they should read
    int events_ = 0;
};

}  // namespace

TEST(windowStress, randomInputKeepsLabelsParametersAndReadoutConsistent) {
    int total = 0;
    for (const unsigned seed : {1U, 2U, 3U}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Stress stress(seed);
        for (int i = 0; i < 700 && !testing::Test::HasFatalFailure(); ++i) stress.randomEvent();
        total += stress.events();
    }
    RecordProperty("events", total);
    std::printf("%d events\n", total);
}

// Start-up and one run; also what tests/memcheck.sh runs under valgrind.
TEST(windowStress, startUpAndOneRun) {
    Form1 form;
    form.Form_Load();
    form.show();
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    EXPECT_EQ(form.Text1->text(), "Berechnung fertig");
}
