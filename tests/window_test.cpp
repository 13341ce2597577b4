#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "chart/chart.h"
#include "chart/run_image.h"
#include "chart/surface.h"
#include "output/csv.h"
#include "tests/ink_height.h"
#include "ui/form1.h"
#include "ui/hscrollbar.h"
#include "ui/picture_box.h"
#include "ui/translations.h"

namespace {

// Where a part of a slider (arrow, track, thumb) lies, as its style draws it.
[[nodiscard]] QRect partOf(const HScrollBar* bar, QStyle::SubControl part) {
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.singleStep = bar->singleStep();
    option.pageStep = bar->pageStep();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar);
}

// The chart's drawing area starts inside a 2-pixel border.
constexpr int border = 2;

std::unique_ptr<Form1> startedWindow() {
    auto form = std::make_unique<Form1>();
    form->Form_Load();
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    return form;
}

const QImage& chartOf(Form1& form) {
    return form.Picture1->surface().image();
}

QColor pixel(const QImage& image, int x, int y) {
    return image.pixelColor(x, y);
}

void moveOverChart(Form1& form, int x, int y) {
    QTest::mouseMove(form.Picture1, QPoint(x + border, y + border));
}

TEST(window, startUpShowsTheFirstRunWithDefaults) {
    auto form = startedWindow();
    EXPECT_EQ(form->pos(), QPoint(9, 9));
    EXPECT_TRUE(
        form->windowTitle().startsWith("Corona Pandemie Vorausberechnung des Verlaufs" + QString(42, ' ')));
    EXPECT_EQ(form->Label1->text(), "Zeit der Berechnung/Tage  (z.Zt. gesperrt)");
    EXPECT_EQ(form->Label5->text(), "Infektions - Wahrscheinlichkeit in  o/oo");
    const QStringList values{form->Label2->text(), form->Label4->text(), form->Label6->text(),
                             form->Label8->text(), form->Label10->text()};
    EXPECT_EQ(values, QStringList({"180", "10", "8", "2", "14"}));
    EXPECT_EQ(form->encountersPerDay, 10);
    EXPECT_EQ(form->infectionPerMille, 8.0F);
    EXPECT_EQ(form->latencyDays, 2);
    EXPECT_EQ(form->recoveryDays, 14);
    EXPECT_EQ(form->Text1->text(), "Berechnung fertig");
    EXPECT_EQ(form->Picture1->geometry(), QRect(414, 6, 801, 617));
    EXPECT_EQ(form->Picture1->contentsRect().size(), QSize(chart::Surface::width, chart::Surface::height));
    EXPECT_EQ(QApplication::focusWidget(), form->Command1);

    // The same first run as the model gives for the window's seed.
    pandemie::Random random(pandemie::windowSeed);
    EXPECT_EQ(form->lastRun, pandemie::runTrajectory({}, random));
}

TEST(window, curvesStartAtDayOneInTheirColoursUnderThePaleCaption) {
    auto form = startedWindow();
    const QImage& image = chartOf(*form);
    // Day 1: 997 not infected at y 62.5, 3 infected at 557.5, 0 recovered at 557.
    EXPECT_EQ(pixel(image, 64, 62), chart::seriesColour(pandemie::Series::notInfected));
    EXPECT_EQ(pixel(image, 64, 556), chart::seriesColour(pandemie::Series::recovered));
    EXPECT_EQ(pixel(image, 64, 558), chart::seriesColour(pandemie::Series::infected));
    bool captionSeen = false;
    for (int x = 150; x < 780 && !captionSeen; ++x)
        for (int y = 150; y < 500 && !captionSeen; ++y)
            captionSeen = pixel(image, x, y) == QColor(180, 220, 220);
    EXPECT_TRUE(captionSeen);
}

TEST(window, runsDifferAndTheDrawingStateCarriesOver) {
    auto form = startedWindow();
    const QImage first = chartOf(*form).copy();
    const pandemie::Trajectory firstRun = form->lastRun;
    const QRect tageLabel(700, 568, 60, 30);
    const int startUpLabelHeight = inkHeight(first, tageLabel);

    QTest::mouseClick(form->Command4, Qt::LeftButton);
    EXPECT_NE(form->lastRun, firstRun);
    EXPECT_NE(chartOf(*form), first);
    EXPECT_EQ(form->Text1->text(), "Berechnung fertig");
    // The caption leaves "Calibri" 12, so this frame's day labels are larger
    // than those of the first run, which followed the start-up frame's size 9.
    EXPECT_GT(inkHeight(chartOf(*form), tageLabel), startUpLabelHeight);
    const chart::Surface& surface = form->Picture1->surface();
    EXPECT_EQ(surface.FontName(), "Calibri");
    EXPECT_EQ(surface.FontSize(), 12);
    EXPECT_EQ(surface.ForeColor(), chart::Colour{});
    EXPECT_EQ(surface.DrawWidth(), 2);
}

TEST(window, defaultValuesPutTheSlidersBackButLeaveTheChart) {
    auto form = startedWindow();
    form->HScroll5->setFocus();
    for (int i = 0; i < 10; ++i) QTest::keyClick(form->HScroll5, Qt::Key_Left);
    EXPECT_EQ(form->recoveryDays, 8) << "the range's end";
    EXPECT_EQ(form->Label10->text(), "8");
    QTest::keyClick(form->HScroll1, Qt::Key_Right);
    EXPECT_EQ(form->Label2->text(), "180");
    const QImage before = chartOf(*form).copy();
    QTest::mouseClick(form->Command5, Qt::LeftButton);
    EXPECT_EQ(form->Label4->text(), "10");
    EXPECT_EQ(form->Label10->text(), "14");
    EXPECT_EQ(form->encountersPerDay, 10);
    EXPECT_EQ(form->recoveryDays, 14);
    EXPECT_EQ(chartOf(*form), before);
}

TEST(window, readoutShowsDayAndPercentInsideTheArea) {
    auto form = startedWindow();
    struct Case {
        int x, y;
        const char* position;
        const char* percent;
        const char* day;
    };
    const Case cases[] = {
        {100, 300, " 100      300", "rel. Anteil   52   %", "Tag    10"},
        {61, 61, " 61      61", "rel. Anteil   100   %", "Tag    0"},
        {62, 559, " 62      559", "rel. Anteil   0   %", "Tag    0"},
        {66, 300, " 66      300", "rel. Anteil   52   %", "Tag    2"},
        {70, 300, " 70      300", "rel. Anteil   52   %", "Tag    2"},
        {780, 310, " 780      310", "rel. Anteil   50   %", "Tag    180"},
        {60, 300, "", "", ""},
        {300, 60, "", "", ""},
        {300, 560, "", "", ""},
    };
    for (const Case& c : cases) {
        moveOverChart(*form, c.x, c.y);
        EXPECT_EQ(form->Text1->text(), c.position) << c.x << "," << c.y;
        EXPECT_EQ(form->Text3->text(), c.percent) << c.x << "," << c.y;
        EXPECT_EQ(form->Text4->text(), c.day) << c.x << "," << c.y;
    }
    // A drag from the chart goes on reporting beyond its edges.
    QTest::mousePress(form->Picture1, Qt::LeftButton, {}, QPoint(100 + border, 300 + border));
    moveOverChart(*form, 850, 300);
    EXPECT_EQ(form->Text4->text(), "Tag    198");
    moveOverChart(*form, -20, 300);
    EXPECT_EQ(form->Text1->text(), "");
    QTest::mouseRelease(form->Picture1, Qt::LeftButton, {}, QPoint(-20 + border, 300 + border));
}

TEST(window, keysAsOnThePlatformsScrollBarsAndButtons) {
    auto form = startedWindow();
    HScrollBar* bar = form->HScroll2;
    bar->setFocus(Qt::TabFocusReason);
    const std::pair<Qt::Key, int> steps[] = {{Qt::Key_Up, 9},        {Qt::Key_PageUp, 8}, {Qt::Key_Down, 9},
                                             {Qt::Key_PageDown, 10}, {Qt::Key_Home, 0},   {Qt::Key_End, 20},
                                             {Qt::Key_Left, 19}};
    for (const auto& [key, value] : steps) {
        QTest::keyClick(bar, key);
        EXPECT_EQ(form->encountersPerDay, value) << key;
        EXPECT_EQ(form->Label4->text(), QString::number(value)) << key;
    }
    const pandemie::Trajectory firstRun = form->lastRun;
    QTest::keyClick(form->Command4, Qt::Key_Return);
    EXPECT_NE(form->lastRun, firstRun) << "Return on \"Berechnen\" runs";
    QTest::keyClick(form->Command5, Qt::Key_Enter);
    EXPECT_EQ(form->encountersPerDay, 10) << "Enter on \"Default - Werte\"";
}

TEST(window, focusIsShownWithoutCoveringTheChart) {
    auto form = startedWindow();
    for (QWidget* control :
         std::initializer_list<QWidget*>{form->Command1, form->Picture1, form->HScroll3, form->HScroll1}) {
        if (!control->hasFocus()) control->setFocus(Qt::TabFocusReason);  // "Beenden" has it from the start
        const QImage focused = control->grab().toImage();
        form->Text2->setFocus(Qt::TabFocusReason);
        EXPECT_NE(control->grab().toImage(), focused) << control->metaObject()->className();
    }
    form->Picture1->setFocus(Qt::TabFocusReason);
    const QRect drawingArea = form->Picture1->contentsRect();
    EXPECT_EQ(form->Picture1->grab().toImage().copy(drawingArea).convertToFormat(QImage::Format_RGB32),
              chartOf(*form));
    EXPECT_EQ(form->Picture1->geometry(), QRect(414, 6, 801, 617));
}

TEST(window, toolkitTextsAreGermanAndScreenReadersHearEachControl) {
    ASSERT_TRUE(installGermanTranslations(*QCoreApplication::instance()));
    auto form = startedWindow();
    const std::unique_ptr<QMenu> boxMenu(form->Text3->createStandardContextMenu());
    EXPECT_EQ(boxMenu->actions().constFirst()->text(), "&R\u00FCckg\u00E4ngig\tStrg+Z");
    QString sliderEntry;
    QTimer closer;  // the slider's menu runs its own event loop until closed
    closer.setSingleShot(true);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        QWidget* popup = QApplication::activePopupWidget();
        if (popup == nullptr) return;
        sliderEntry = popup->actions().constFirst()->text();
        popup->close();
    });
    closer.start(0);
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5),
                                 form->HScroll2->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(form->HScroll2, &rightClick);
    EXPECT_EQ(sliderEntry, "Hierher scrollen");

    const auto spoken = [](QWidget* control, QAccessible::Text text) {
        return QAccessible::queryAccessibleInterface(control)->text(text);
    };
    EXPECT_EQ(spoken(form->HScroll2, QAccessible::Name), "mittlere Zahl der Begegnungen pro Tag");
    EXPECT_EQ(spoken(form->HScroll2, QAccessible::Value), "10");
    EXPECT_EQ(spoken(form->Text4, QAccessible::Name), "Tag");
    EXPECT_TRUE(spoken(form->Picture1, QAccessible::Name).startsWith("Diagramm: relative Anteile in %"));
    // The outcome of the run: the first day of the highest infected count, the recovered on day 180.
    const auto peak =
        std::max_element(form->lastRun.begin(), form->lastRun.end(),
                         [](const auto& a, const auto& b) { return a.countInfected < b.countInfected; });
    const QString expected =
        QString("H\u00F6chstens %1,%2 % aktuell Infizierte an Tag %3, %4,%5 % Genesene an Tag 180.")
            .arg(peak->countInfected / 10)
            .arg(peak->countInfected % 10)
            .arg(peak - form->lastRun.begin() + 1)
            .arg(form->lastRun.back().countRecovered / 10)
            .arg(form->lastRun.back().countRecovered % 10);
    EXPECT_EQ(spoken(form->Picture1, QAccessible::Description), expected);
}

// Random input, from fixed seeds, with the window's invariants checked after
// every step.

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

// The chart's save entries.

// A started window whose file dialog answers with a set name and whose error
// box only records its message.
struct Harness {
    Harness() {
        form->setAskFileName([this](const QString&, const QString&, const QString& filter) {
            filters << filter;
            return answer;
        });
        form->setShowError([this](const QString& message) { errors << message; });
        form->Form_Load();
    }

    void save(int entry, const QString& name) {
        answer = name;
        form->Picture1_Menu->actions().at(entry)->trigger();
    }

    [[nodiscard]] QStringList windowTexts() const {
        return {form->Text1->text(),  form->Text3->text(),  form->Text4->text(),  form->Label2->text(),
                form->Label4->text(), form->Label6->text(), form->Label8->text(), form->Label10->text()};
    }

    std::unique_ptr<Form1> form = std::make_unique<Form1>();
    QString answer;
    QStringList filters;
    QStringList errors;
};

constexpr int chartEntry = 0;
constexpr int courseEntry = 1;

QByteArray contentsOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray bytes(const std::string& text) {
    return {text.data(), static_cast<qsizetype>(text.size())};
}

TEST(windowExport, chartMenuHasTheTwoSaveEntries) {
    Harness h;
    QStringList texts;
    for (const QAction* action : h.form->Picture1_Menu->actions()) texts << action->text();
    EXPECT_EQ(texts, QStringList({QString::fromUtf8("Diagramm speichern \u2026"),
                                  QString::fromUtf8("Verlauf speichern \u2026")}));
    // A right click on the chart opens the menu.
    h.form->show();
    const QPoint point(200, 200);
    QContextMenuEvent click(QContextMenuEvent::Mouse, point, h.form->Picture1->mapToGlobal(point));
    QApplication::sendEvent(h.form->Picture1, &click);
    EXPECT_TRUE(h.form->Picture1_Menu->isVisible());
    h.form->Picture1_Menu->close();
}

TEST(windowExport, savesTheChartAndEachRunsCourse) {
    Harness h;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    h.save(chartEntry, dir.filePath("chart.png"));
    const QImage saved(dir.filePath("chart.png"));
    ASSERT_FALSE(saved.isNull());
    const QImage& chart = h.form->Picture1->surface().image();
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), chart.convertToFormat(QImage::Format_RGB32));

    // The window's runs are the model's runs from its seed, one after the other.
    pandemie::Random random(pandemie::windowSeed);
    const pandemie::Parameters defaults;
    for (const char* name : {"first.csv", "second.csv"}) {
        const auto expected = pandemie::output::trajectoryCsv(pandemie::runTrajectory(defaults, random));
        h.save(courseEntry, dir.filePath(name));
        EXPECT_EQ(contentsOf(dir.filePath(name)), bytes(expected)) << name;
        h.form->Command4_Click();
    }
    EXPECT_EQ(h.filters, QStringList({"PNG-Bild (*.png)", "CSV-Datei (*.csv)", "CSV-Datei (*.csv)"}));
    EXPECT_TRUE(h.errors.isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);  // no temporaries left
}

TEST(windowExport, failedOrCancelledSaveChangesNothing) {
    Harness h;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QImage chartBefore = h.form->Picture1->surface().image();
    const QStringList textsBefore = h.windowTexts();

    const QString missing = dir.filePath("missing/chart.png");
    h.save(chartEntry, missing);
    h.save(courseEntry, dir.path());  // a directory
    ASSERT_EQ(h.errors.size(), 2);
    EXPECT_TRUE(h.errors[0].contains(missing)) << h.errors[0].toStdString();
    EXPECT_TRUE(h.errors[0].contains("No such file or directory")) << h.errors[0].toStdString();
    EXPECT_TRUE(h.errors[1].contains(dir.path())) << h.errors[1].toStdString();
    EXPECT_TRUE(h.errors[1].contains("Is a directory")) << h.errors[1].toStdString();

    h.save(chartEntry, QString());  // cancel
    h.save(courseEntry, QString());
    EXPECT_EQ(h.errors.size(), 2);
    EXPECT_EQ(h.filters.size(), 4);

    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_EQ(h.form->Picture1->surface().image(), chartBefore);
    EXPECT_EQ(h.windowTexts(), textsBefore);
}

TEST(windowExport, toolsImageOfTheFirstRunIsTheWindowsChart) {
    const Harness h;
    pandemie::Random random(pandemie::windowSeed);
    const QImage image = chart::firstRunImage(pandemie::runTrajectory({}, random));
    EXPECT_EQ(image.convertToFormat(QImage::Format_RGB32),
              h.form->Picture1->surface().image().convertToFormat(QImage::Format_RGB32));
}

}  // namespace

TEST(windowAccessibility, rolesOfWindowChartAndSliderAndTheValueUnderADraggedThumb) {
    auto form = startedWindow();
    const auto role = [](QWidget* control) { return QAccessible::queryAccessibleInterface(control)->role(); };
    EXPECT_EQ(role(form.get()), QAccessible::Window);
    EXPECT_EQ(role(form->Picture1), QAccessible::Chart);
    EXPECT_EQ(role(form->HScroll2), QAccessible::ScrollBar);
    EXPECT_EQ(role(form->Command4), QAccessible::Button) << "the toolkit's own controls keep theirs";

    // Dragging the thumb from 10 towards the maximum, not yet released; the
    // offscreen platform has no screen reader to receive the announcements.
    QAccessibleInterface* slider = QAccessible::queryAccessibleInterface(form->HScroll2);
    const QRect thumb = partOf(form->HScroll2, QStyle::SC_ScrollBarSlider);
    QTest::mousePress(form->HScroll2, Qt::LeftButton, {}, thumb.center());
    QTest::mouseMove(form->HScroll2, thumb.center() + QPoint(60, 0));
    const int underThumb = form->HScroll2->sliderPosition();
    ASSERT_GT(underThumb, 10);
    EXPECT_EQ(form->encountersPerDay, 10);
    EXPECT_EQ(slider->text(QAccessible::Value), QString::number(underThumb));
    EXPECT_EQ(slider->valueInterface()->currentValue().toInt(), underThumb);
    QTest::mouseRelease(form->HScroll2, Qt::LeftButton, {}, thumb.center() + QPoint(60, 0));
    EXPECT_EQ(form->encountersPerDay, underThumb);
    EXPECT_EQ(slider->valueInterface()->maximumValue().toInt(), 20);
}

TEST(windowExport, saveDialogShowsTheGermanSizesInFull) {
    ASSERT_TRUE(installGermanTranslations(*QCoreApplication::instance()));
    QTemporaryDir dir;
    QTemporaryDir settings;  // where the dialog keeps its columns and folders, not the user's
    ASSERT_TRUE(dir.isValid() && settings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QFile sized(dir.filePath("lauf.csv"));
    ASSERT_TRUE(sized.open(QIODevice::WriteOnly));
    sized.write(QByteArray(348, 'x'));
    sized.close();
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());  // the dialog opens on the suggested name's folder
    auto form = startedWindow();
    QStringList shortened;
    QString sizeText;
    QTimer inspector;  // the dialog runs its own event loop until closed
    inspector.setSingleShot(true);
    QObject::connect(&inspector, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        auto* view = dialog->findChild<QTreeView*>("treeView");
        const QModelIndex root = view != nullptr ? view->rootIndex() : QModelIndex();
        // The folder is read in the background.
        for (int i = 0; i < 200 && (view == nullptr || view->model()->rowCount(root) == 0); ++i)
            QTest::qWait(10);
        if (view != nullptr && view->model()->rowCount(root) > 0) {
            QTest::qWait(50);  // the columns follow the new contents on the next round of events
            sizeText = view->model()->index(0, 1, root).data().toString();
            QStyleOptionViewItem option;
            option.initFrom(view);
            for (int column = 0; column < 4; ++column) {
                const QModelIndex cell = view->model()->index(0, column, root);
                if (view->header()->sectionSize(column) <
                    view->itemDelegate()->sizeHint(option, cell).width())
                    shortened << cell.data().toString();
            }
            dialog->grab().save("/tmp/vis/dialog.png");
        }
        dialog->reject();
    });
    inspector.start(0);
    form->saveCourse();
    QDir::setCurrent(before);
    EXPECT_EQ(sizeText.toLower(), "348 bytes");
    EXPECT_TRUE(shortened.isEmpty()) << shortened.join(", ").toStdString();
}
