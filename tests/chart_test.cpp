#include <gtest/gtest.h>

#include <QImage>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "chart/change_labels.h"
#include "chart/chart.h"
#include "chart/counts_image.h"
#include "chart/fit_image.h"
#include "chart/heat_map.h"
#include "chart/plot_frame.h"
#include "chart/run_image.h"
#include "chart/scenario_image.h"
#include "chart/surface.h"
#include "chart/sweep_image.h"
#include "model/calendar.h"
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

namespace {

// Every pair of boxes apart, with the index of the first overlapping pair.
std::string overlapOf(const std::vector<QRectF>& boxes) {
    for (std::size_t i = 0; i < boxes.size(); ++i)
        for (std::size_t j = i + 1; j < boxes.size(); ++j)
            if (boxes[i].intersects(boxes[j])) return std::to_string(i) + " and " + std::to_string(j);
    return {};
}

pandemie::Schedule encountersOn(std::initializer_list<int> days) {
    pandemie::Schedule changes;
    for (const int day : days) changes.push_back({day, pandemie::Parameter::encounters, 10 + day % 7});
    return changes;
}

chart::ScenarioCourses scenario(const QString& name, pandemie::Schedule changes = {}) {
    return {name, {}, std::move(changes)};
}

// Pixels in the rectangle whose colour is such.
int pixelsWhere(const QImage& image, const QRect& area, const std::function<bool(const QColor&)>& such) {
    int count = 0;
    for (int x = area.left(); x <= area.right(); ++x)
        for (int y = area.top(); y <= area.bottom(); ++y) count += such(image.pixelColor(x, y)) ? 1 : 0;
    return count;
}

bool purplish(const QColor& c) {
    return c.red() > 60 && c.green() < c.red() - 40 && std::abs(c.red() - c.blue()) < 20;
}

bool reddish(const QColor& c) {
    return c.red() > 150 && c.green() < 60 && c.blue() < 60;
}

// A course of 180 days with every series' count the same on each day.
pandemie::Trajectory flat(int notInfected, int infected, int recovered) {
    return pandemie::Trajectory(pandemie::runDays, pandemie::DailyCounts{notInfected, infected, recovered});
}

}  // namespace

TEST(chart, changeLinesStaySparseAndTheirLabelsNeverCoverACurve) {
    pandemie::Schedule everyDay;
    for (int day = 1; day <= pandemie::runDays; ++day)
        everyDay.push_back({day, pandemie::Parameter::encounters, 5});
    everyDay.push_back({175, pandemie::Parameter::infection, 12});  // a long label near the right edge
    const chart::ChangeLabelLayout layout = chart::layoutChangeLabels({everyDay});
    EXPECT_TRUE(layout.listed);
    ASSERT_GT(layout.labels.size(), 10U);
    EXPECT_LE(layout.labels.size(), static_cast<std::size_t>(chart::listColumns) * chart::listRows);
    EXPECT_EQ(layout.labels.size() + layout.leftOut, 180U);
    EXPECT_EQ(layout.note, QString("\u2026 und %1 weitere \u00C4nderungen ohne Linie").arg(layout.leftOut));
    for (std::size_t i = 1; i < layout.labels.size(); ++i)
        EXPECT_GE(4 * (layout.labels[i].day - layout.labels[i - 1].day), chart::minLineGap);

    // A run of 40 % infected, 60 % recovered: its curves lie where they lay without changes.
    const pandemie::Trajectory run = flat(0, 400, 600);
    const QImage plain = chart::firstRunImage(run);
    const QImage changed = chart::firstRunImage(run, everyDay);
    EXPECT_GT(changed.height(), plain.height()) << "the labels listed below the chart";
    int curvePixels = 0;
    for (int x = 61; x < 783; ++x)
        for (int y = 61; y < 560; ++y)
            if ((plain.pixelColor(x, y) == chart::QBColor(12) ||
                 plain.pixelColor(x, y) == chart::QBColor(10)) &&
                !QRect(70, 300, 171, 121).contains(x, y)) {  // the window's legend panel
                ++curvePixels;
                ASSERT_EQ(changed.pixelColor(x, y), plain.pixelColor(x, y)) << x << "," << y;
            }
    EXPECT_GT(curvePixels, 1500);
    const int lineColumns =
        pixelsWhere(changed, QRect(61, 150, 722, 1), [](const QColor& c) { return c == chart::QBColor(8); });
    EXPECT_GT(lineColumns, 10);
    EXPECT_LT(lineColumns, 722 / 20) << "change lines cover under 5 % of the plot area";
    EXPECT_EQ(chart::withListBelow(plain, {}), plain);

    // Changes every 8 days from day 5 on: all 21 keep line and label.
    pandemie::Schedule every8;
    for (int day = 5; day <= 165; day += 8) every8.push_back({day, pandemie::Parameter::encounters, 3});
    const chart::ChangeLabelLayout all = chart::layoutChangeLabels({every8});
    EXPECT_EQ(all.labels.size(), 21U);
    EXPECT_EQ(all.note, "");

    // Few labels stand whole in the row above the plot area, clear of what is taken.
    const QRectF taken(450, chart::labelRowTop, 100, 12);
    const chart::ChangeLabelLayout few = chart::layoutChangeLabels({encountersOn({30, 180})}, {}, {taken});
    ASSERT_EQ(few.labels.size(), 2U);
    EXPECT_FALSE(few.listed);
    EXPECT_EQ(few.labels[0].text, "Tag 30: 12 Tsd. Begegnungen/Tag");
    std::vector<QRectF> boxes{taken};
    for (const chart::ChangeLabel& label : few.labels) {
        boxes.push_back(label.box);
        EXPECT_LE(label.box.bottom(), 60) << "above the frame";
        EXPECT_GE(label.box.top(), 47) << "below the title";
    }
    EXPECT_EQ(overlapOf(boxes), "");
    EXPECT_LT(few.labels[1].box.right(), 780) << "day 180's label left of its line";
    EXPECT_TRUE(chart::layoutChangeLabels({encountersOn({100})}, {}, {taken.translated(200, 0)})
                    .labels[0]
                    .box.isValid());
    EXPECT_TRUE(chart::layoutChangeLabels({encountersOn({85})}, {}, {QRectF(420, 48, 100, 12)}).listed)
        << "a label that would overlap the taken one goes to the list";
    EXPECT_TRUE(chart::layoutChangeLabels({{}}).labels.empty());
    EXPECT_EQ(chart::layoutChangeLabels({encountersOn({1, 2})}).note,
              "\u2026 und 1 weitere \u00C4nderung ohne Linie");

    // A day is "Tag", days are "Tage": the noun follows the value.
    const pandemie::Schedule days{{20, pandemie::Parameter::latency, 1},
                                  {60, pandemie::Parameter::recovery, 1},
                                  {100, pandemie::Parameter::latency, 0},
                                  {140, pandemie::Parameter::recovery, 2}};
    const chart::ChangeLabelLayout inDays = chart::layoutChangeLabels({days});
    ASSERT_EQ(inDays.labels.size(), 4U);
    EXPECT_EQ(inDays.labels[0].text, "Tag 20: Latenz 1 Tag");
    EXPECT_EQ(inDays.labels[1].text, "Tag 60: Genesung nach 1 Tag");
    EXPECT_EQ(inDays.labels[2].text, "Tag 100: Latenz 0 Tage");
    EXPECT_EQ(inDays.labels[3].text, "Tag 140: Genesung nach 2 Tagen");
}

TEST(chart, namesAndWarningStandWhereTheyCoverNoDataElseBelowTheImage) {
    chart::ForecastFigure figure;
    figure.courses = {flat(0, 100, 0), flat(0, 200, 0), flat(0, 300, 0)};  // infected 10..30 %
    figure.misfit = true;
    const QImage image = chart::forecastImage(figure);
    EXPECT_EQ(image.height(), chart::Surface::height) << "room enough in the plot area";
    // The infected band lies in rows 409..509 from day 1, x 64, on.
    for (int x = 64; x <= 780; ++x)
        for (int y = 409; y <= 509; ++y)
            ASSERT_NE(image.pixelColor(x, y), chart::QBColor(15))
                << x << "," << y << ": nothing white over the band";
    const auto blue = [](const QColor& c) { return c.blue() > 150 && c.red() < 120 && c.green() < 120; };
    EXPECT_GT(pixelsWhere(image, QRect(61, 61, 722, 340), blue), 20) << "the names above the band";
    EXPECT_GT(pixelsWhere(image, QRect(61, 61, 722, 340), reddish), 100) << "the warning above the band";

    // Bands over the whole plot area leave no room: names and warning below the image.
    figure.courses = {flat(0, 0, 0), flat(500, 500, 500), flat(1000, 1000, 1000)};
    const QImage full = chart::forecastImage(figure);
    ASSERT_GT(full.height(), chart::Surface::height);
    const QRect below(0, chart::Surface::height, chart::Surface::width,
                      full.height() - chart::Surface::height);
    EXPECT_GT(pixelsWhere(full, below, blue), 20);
    EXPECT_GT(pixelsWhere(full, below, reddish), 20);
    EXPECT_EQ(
        pixelsWhere(full, QRect(64, 61, 717, 499), [](const QColor& c) { return c == chart::QBColor(15); }),
        0);

    QImage drawn(100, 100, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    drawn.setPixelColor(50, 0, Qt::red);
    const std::optional<QRectF> spot =
        chart::freeSpot(drawn, QSizeF(20, 20), QRectF(0, 0, 100, 100), {Qt::white});
    ASSERT_TRUE(spot);
    EXPECT_FALSE(spot->adjusted(-4, -4, 4, 4).contains(50, 0));
    drawn.fill(Qt::red);
    EXPECT_FALSE(chart::freeSpot(drawn, QSizeF(20, 20), QRectF(0, 0, 100, 100), {Qt::white}));
}

TEST(chart, scenarioBandsKeepTheirTintsOverlapsTurnGreyAndTheLegendCoversNoBand) {
    const QString longName(5000, QChar('x'));
    std::vector<chart::ScenarioCourses> scenarios{scenario("keine Ma\u00DFnahmen"),
                                                  scenario(longName, encountersOn({30, 90})),
                                                  scenario(QString(100, QChar('y')), encountersOn({30, 60}))};
    for (int s = 0; s < 997; ++s)
        scenarios.push_back(scenario(QString("Szenario %1").arg(s), encountersOn({s % 180 + 1})));
    const chart::ScenarioLayout layout = chart::scenarioLayout(scenarios);
    ASSERT_EQ(layout.entries.size(), chart::shownScenarios + 1) << "and the overlaps' grey";
    EXPECT_EQ(layout.note, "\u2026 und 992 weitere Szenarien");
    EXPECT_EQ(layout.entries[0].name, "keine Ma\u00DFnahmen");
    EXPECT_TRUE(layout.entries[1].name.endsWith("\u2026"));
    EXPECT_LT(layout.entries[1].name.size(), 100);
    const chart::ScenarioLayout moved = layout.movedTo({300, 200});
    for (const chart::LegendEntry& entry : moved.entries)
        EXPECT_TRUE(moved.legend.contains(entry.text.united(entry.swatch))) << entry.name.toStdString();
    EXPECT_TRUE(moved.legend.contains(moved.noteText));
    std::vector<QRgb> colours;
    for (std::size_t s = 0; s < chart::shownScenarios; ++s) {
        colours.push_back(chart::scenarioColour(s).rgb());
        colours.push_back(chart::scenarioTint(s).rgb());
    }
    colours.push_back(chart::overlapColour().rgb());
    std::sort(colours.begin(), colours.end());
    EXPECT_EQ(std::unique(colours.begin(), colours.end()), colours.end()) << "a colour of its own for each";

    // Infected 10..30 % and 20..40 %, on a scale up to 50 %: rows 460..360 and 360..260... overlapping
    // in 20..30 %.
    std::vector<chart::ScenarioCourses> two{scenario("a"), scenario("b")};
    two[0].courses = {flat(0, 100, 0), flat(0, 200, 0), flat(0, 300, 0)};
    two[1].courses = {flat(0, 200, 0), flat(0, 300, 0), flat(0, 400, 0)};
    const QImage image = chart::scenarioImage(two);
    const auto y = [](double percent) { return static_cast<int>(560 - 10 * percent); };
    EXPECT_EQ(image.pixelColor(400, y(15)), chart::scenarioTint(0));
    EXPECT_EQ(image.pixelColor(400, y(25)), chart::overlapColour());
    EXPECT_EQ(image.pixelColor(400, y(35)), chart::scenarioTint(1));
    for (int x = 65; x < 780; ++x)
        for (int row = y(39); row <= y(11); ++row)
            ASSERT_NE(image.pixelColor(x, row), chart::QBColor(15))
                << x << "," << row << ": the legend over a band";
}

TEST(chart, scenariosAfterAFitShowTheObservedCountsAndTheLastObservedDay) {
    std::vector<chart::ScenarioCourses> one{scenario("a")};
    one[0].courses = {flat(0, 0, 0), flat(0, 0, 0), flat(0, 0, 0)};
    chart::ObservedFigure observed;
    observed.observed.days = {{20, {std::nullopt, 50.0, std::nullopt}},
                              {40, {std::nullopt, 80.0, std::nullopt}}};
    observed.persons = 200;  // 40 % on day 40, on a scale up to 50 %
    const QImage image = chart::scenarioImage(one, observed);
    EXPECT_EQ(image.pixelColor(60 + 4 * 40, 560 - 400), chart::seriesColour(pandemie::Series::infected));
    EXPECT_EQ(image.pixelColor(60 + 4 * 20, 560 - 250), chart::seriesColour(pandemie::Series::infected));
    EXPECT_GT(pixelsWhere(image, QRect(60 + 4 * 40, 100, 1, 300), purplish), 100) << "the last day's line";
    EXPECT_GT(pixelsWhere(image, QRect(60 + 4 * 40, 47, 140, 13), purplish), 30) << "its label";
    EXPECT_EQ(pixelsWhere(chart::scenarioImage(one), QRect(61, 61, 722, 499), purplish), 0);
}

TEST(chart, forecastMarksObservedCountsOverTheBandsAndTheLastDay) {
    chart::ForecastFigure figure;
    const pandemie::Trajectory days(pandemie::runDays);
    figure.courses = {days, days, days};
    for (std::size_t d = 0; d < pandemie::runDays; ++d) {  // infected between 10 and 30 %
        figure.courses.p10[d].countInfected = 100;
        figure.courses.p50[d].countInfected = 200;
        figure.courses.p90[d].countInfected = 300;
    }
    figure.observed.days = {{50, {std::nullopt, 250.0, std::nullopt}}, {178, {std::nullopt, 250.0, 0.0}}};
    const QImage plain = chart::forecastImage(figure);
    const QColor red = chart::seriesColour(pandemie::Series::infected);
    const double y = 559 - 250 / 2.0;  // 25 % on the infected axis
    EXPECT_EQ(plain.pixelColor(60 + 4 * 50, static_cast<int>(y)), red);
    EXPECT_EQ(plain.pixelColor(60 + 4 * 70, static_cast<int>(y)), chart::lightTint(red)) << "the band";

    EXPECT_GT(pixelsWhere(plain, QRect(772, 100, 1, 300), purplish), 100) << "dashed at day 178, x 772";
    EXPECT_EQ(pixelsWhere(plain, QRect(700, 100, 60, 300), purplish), 0);
    EXPECT_GT(pixelsWhere(plain, QRect(620, 47, 148, 13), purplish), 50)
        << "its label left of it, above the frame";
    EXPECT_EQ(pixelsWhere(plain, QRect(784, 0, 13, 613), purplish), 0) << "nothing right of the frame";

    const QRect above(61, 61, 722, 340);
    figure.misfit = true;
    EXPECT_GT(pixelsWhere(chart::forecastImage(figure), above, reddish),
              pixelsWhere(plain, above, reddish) + 100)
        << "the warning";
}

TEST(chart, jointPosteriorShowsTheHeaviestCellBrightestAndEmptyCellsGrey) {
    pandemie::JointPosterior joint;  // encounters 0..20 across, infection 0..20 up
    joint.xRange = {0, 20};
    joint.yRange = {0, 20};
    joint.weight.assign(std::size_t{21} * 21, 0.0);
    joint.weight[10 * 21 + 4] = 0.6;  // 4 thousand encounters, infection 10 o/oo
    joint.weight[8 * 21 + 5] = 0.4;
    const QImage image = chart::jointPosteriorImage(joint);
    const auto cell = [&](int x, int y) {
        return image.pixelColor(static_cast<int>(70 + 570 * (x + 0.5) / 21),
                                static_cast<int>(530 - 470 * (y + 0.5) / 21));
    };
    EXPECT_EQ(cell(4, 10), chart::viridis(1));
    EXPECT_EQ(cell(5, 8), chart::viridis(0.4 / 0.6));
    EXPECT_EQ(cell(10, 4), chart::zeroWeightColour()) << "not transposed";
    EXPECT_EQ(cell(0, 0), chart::zeroWeightColour());
}

TEST(chart, heatMapScaleSpansTheValuesShownAndSweepImagesSayWhatHeld) {
    const chart::SweepAxis x{pandemie::Parameter::latency, {0, 10}};
    const chart::SweepAxis y{pandemie::Parameter::recovery, {8, 24}};
    const auto cellAt = [](const QImage& image, int i, int j) {
        return image.pixelColor(212 + 285 * i, 412 - 235 * j);
    };
    // Peaks of 2, 3, 4 and 6 % of 1000 persons: the least dark violet, the greatest yellow.
    const QImage image = chart::heatMapImage(x, y, pandemie::Outcome::peakInfected, {20, 30, 40, 60});
    EXPECT_EQ(cellAt(image, 0, 0), chart::viridis(0));
    EXPECT_EQ(cellAt(image, 0, 1), chart::viridis(0.25));
    EXPECT_EQ(cellAt(image, 1, 1), chart::viridis(1));
    const QImage equal = chart::heatMapImage(x, y, pandemie::Outcome::peakDay, {90, 90, 90, 90});
    EXPECT_EQ(cellAt(equal, 1, 0), chart::viridis(0.5)) << "one value, the scale's middle";
    EXPECT_GT(equal.height(), chart::Surface::height) << "with its caption below";

    chart::SweepSetting setting{1, {}, encountersOn({30})};
    setting.parameters.infectionPerMille = 9;
    const std::vector<QString> lines = chart::settingLines(setting, {pandemie::Parameter::encounters});
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_EQ(lines[0], "Je Punkt 1 Lauf; fest: Infektion 9 o/oo, Latenz 2 Tage, Genesung nach 14 Tagen");
    EXPECT_EQ(lines[1], "\u00C4nderungen in jedem Lauf: Tag 30: 12 Tsd. Begegnungen/Tag");
    setting = {200, {}, {}};
    EXPECT_EQ(chart::settingLines(setting, {})[0].left(20), "Je Punkt 200 L\u00E4ufe; ");
    EXPECT_EQ(chart::settingLines(setting, {})[1], "\u00C4nderungen in jedem Lauf: keine");
}

TEST(chart, imagesOfOtherDaysAndPopulationsFollowTheirAxes) {
    const chart::DayAxis window;
    for (int day = 0; day <= 180; ++day) ASSERT_EQ(window.x(day), 60 + 4 * day) << "the window's pixels stay";
    EXPECT_EQ(window.labelStep(), 30);
    EXPECT_EQ((chart::DayAxis{14}.labelStep()), 5);
    EXPECT_EQ((chart::DayAxis{1000}.labelStep()), 200);

    // 365 days of 200 persons: half not infected, a quarter infected, a quarter recovered.
    const pandemie::Trajectory run(365, pandemie::DailyCounts{100, 50, 50});
    const QImage image = chart::firstRunImage(run, {{300, pandemie::Parameter::encounters, 5}}, 200);
    const chart::DayAxis axis{365};
    const QColor blue = chart::seriesColour(pandemie::Series::notInfected);
    const QColor red = chart::seriesColour(pandemie::Series::infected);
    EXPECT_EQ(image.pixelColor(779, 561 - 250), blue) << "50 % at the last day, x 780";
    EXPECT_EQ(image.pixelColor(779, 559 - 125), red) << "25 %";
    const QColor black(0, 0, 0);
    const auto gridAt = [&](double x) { return image.pixelColor(static_cast<int>(std::lround(x)), 500); };
    EXPECT_EQ(gridAt(axis.x(100)), black) << "a grid line every 100 days";
    EXPECT_NE(gridAt(60 + 4 * 30), black) << "none of the window's every 30";
    EXPECT_GT(pixelsWhere(image, QRect(static_cast<int>(axis.x(300)), 200, 1, 100),
                          [](const QColor& c) { return c == chart::QBColor(8); }),
              50)
        << "the change line on day 300";

    // Observed counts of 763 persons on a forecast of 14 days: 381.5 is 50 %.
    chart::ForecastFigure figure;
    const pandemie::Trajectory days(14);
    figure.courses = {days, days, days};
    figure.observed.days = {{7, {std::nullopt, 381.5, std::nullopt}}};
    figure.persons = 763;
    const QImage forecast = chart::forecastImage(figure);
    EXPECT_EQ(forecast.pixelColor(static_cast<int>(chart::DayAxis{14}.x(7)), 559 - 250), red);
}

namespace {

// Four weekly rows of new cases from 1 to 28 November 2015, and two weeks of forecast after them.
struct WeeklyFit {
    pandemie::Observations observed;
    pandemie::FitResult result;
};

WeeklyFit weeklyFit() {
    WeeklyFit fit;
    fit.observed.dateOfDayOne = pandemie::daysFromCivil({2015, 11, 1});
    const std::vector<double> cases{10, 40, 20, 5};
    for (std::size_t i = 0; i < 6; ++i) {
        const int day = 7 * static_cast<int>(i + 1);
        const double median = i < cases.size() ? cases[i] : 2;
        pandemie::ForecastRow row{day,
                                  7,
                                  pandemie::ObservedSeries::newCases,
                                  std::nullopt,
                                  {median, median / 2, median, 1.5 * median}};
        if (i < cases.size()) {
            row.observed = cases[i];
            pandemie::ObservedDay observedDay{day, {}, 7};
            observedDay.counts.back() = cases[i];
            fit.observed.days.push_back(observedDay);
        }
        fit.result.forecastRows.push_back(row);
    }
    fit.result.posterior = {{{10, 30, 3, 10, 500, 12}, 1, 0}};
    return fit;
}

// The bars' translucent navy, over white or over the band.
bool bluish(const QColor& c) {
    return c.blue() > c.red() + 20 && c.blue() > c.green() + 20;
}

}  // namespace

TEST(chart, countsImageDrawsEachPeriodsBarAcrossItsDaysWithTheKeyClearOfTheData) {
    const WeeklyFit fit = weeklyFit();
    const chart::CountsLayout layout = chart::countsLayout(fit.result, fit.observed);
    EXPECT_EQ(layout.countTop, 60) << "round steps up to the largest 10..90 % bound, 60";
    ASSERT_EQ(layout.bars.size(), 4U);
    ASSERT_EQ(layout.bands.size(), 6U);
    const QImage image = chart::countsForecastImage(fit.result, fit.observed);
    // Week 2 (days 8..14, 40 cases) spans x(7)..x(14); each bar stops a pixel short of the next.
    EXPECT_NEAR(layout.bars[1].left(), layout.x(7) + 1, 1);
    EXPECT_NEAR(layout.bars[1].right(), layout.x(14) - 1, 1);
    for (const double day : {7.3, 10.5, 13.7}) {
        const int x = static_cast<int>(layout.x(day));
        EXPECT_TRUE(bluish(image.pixelColor(x, static_cast<int>(layout.y(38))))) << "the bar at day " << day;
        EXPECT_FALSE(bluish(image.pixelColor(x, static_cast<int>(layout.y(42))))) << "above it at " << day;
    }
    EXPECT_FALSE(bluish(image.pixelColor(static_cast<int>(layout.x(31.5)), static_cast<int>(layout.y(1)))))
        << "no bar in a forecast week";
    EXPECT_EQ(image.pixelColor(static_cast<int>(layout.x(31.5)), static_cast<int>(layout.y(2.5))),
              chart::lightTint(chart::QBColor(4)))
        << "its band";
    EXPECT_GT(
        pixelsWhere(image, QRect(static_cast<int>(std::lround(layout.x(28))) - 1, 100, 3, 300), purplish),
        100)
        << "the last observation at the end of day 28";

    EXPECT_FALSE(layout.key.intersects(layout.plot));
    for (const QRectF& box : layout.bars) EXPECT_FALSE(layout.key.intersects(box));
    for (const QRectF& box : layout.bands) EXPECT_FALSE(layout.key.intersects(box));
    EXPECT_LE(layout.key.right(), chart::Surface::width);

    const QRect caption(60, 580, 400, 25);
    EXPECT_EQ(pixelsWhere(image, caption, reddish), 0);
    pandemie::FitResult misfit = fit.result;
    misfit.misfit.observedDistance = 1;
    EXPECT_GT(pixelsWhere(chart::countsForecastImage(misfit, fit.observed), caption, reddish), 50)
        << "the warning";
}

TEST(chart, countsImageDrawsDatedLevelsAsMarksOverTheirBandAndNamesWhatTheFitInfers) {
    // Infected counted on ten days from 1 March 2020, forecast ten days on.
    WeeklyFit fit;
    fit.observed.dateOfDayOne = pandemie::daysFromCivil({2020, 3, 1});
    for (int day = 1; day <= 20; ++day) {
        const double level = 10.0 * day;
        pandemie::ForecastRow row{
            day, 1, pandemie::ObservedSeries::infected, std::nullopt, {level, level - 20, level, level + 20}};
        if (day <= 10) {
            row.observed = level;
            fit.observed.days.push_back({day, {std::nullopt, level + 15, std::nullopt}, 1});
        }
        fit.result.forecastRows.push_back(row);
    }
    fit.result.posterior = {{{10, 30, 3, 10, 250, 12}, 1, 0}};
    const chart::CountsLayout layout = chart::countsLayout(fit.result, fit.observed);
    const QImage plain = chart::countsForecastImage(fit.result, fit.observed);
    const auto at = [&](double day, double count) {
        return plain.pixelColor(static_cast<int>(std::lround(layout.x(day - 0.5))),
                                static_cast<int>(std::lround(layout.y(count))));
    };
    EXPECT_TRUE(reddish(at(5, 65))) << "the mark of day 5, above its median";
    EXPECT_TRUE(reddish(at(15, 150))) << "the median of day 15";
    EXPECT_EQ(at(15, 135), chart::lightTint(chart::QBColor(12))) << "its band";
    EXPECT_EQ(at(15, 105), QColor(Qt::white)) << "below the band";
    // What the fit inferred, in a caption line of its own.
    fit.result.prior[pandemie::indexOf(pandemie::FitQuantity::reporting)] = {1, 1000};
    fit.result.prior[pandemie::indexOf(pandemie::FitQuantity::start)] = {1, 30};
    const QImage inferred = chart::countsForecastImage(fit.result, fit.observed);
    const auto dark = [](const QColor& c) { return c.lightness() < 100; };
    const QRect lastLine(60, 565, 400, 40);
    EXPECT_GT(pixelsWhere(inferred, lastLine, dark), pixelsWhere(plain, lastLine, dark) + 100);
}

TEST(chart, dayAxisLabelsDatesInGermanAndDaysWithoutDates) {
    const std::int64_t november1 = pandemie::daysFromCivil({2015, 11, 1});
    const auto labels = [](const std::vector<chart::DayTick>& ticks) {
        QStringList list;
        for (const chart::DayTick& tick : ticks)
            list << tick.label + (tick.year.isEmpty() ? "" : "/" + tick.year);
        return list.join(QChar(' ')).toStdString();
    };
    // 30 days at 24 pixels: every second day.
    EXPECT_EQ(labels(chart::dayTicks(1, 9, 24, november1)), "01.11./2015 03.11. 05.11. 07.11. 09.11.");
    // Weekly rows closing on day 7, 14, ... at 3.5 pixels a day: every other week, from the rows' days.
    EXPECT_EQ(labels(chart::dayTicks(1, 63, 3.5, november1, 7)),
              "07.11./2015 21.11. 05.12. 19.12. 02.01./2016");
    // 400 days at 1.8 pixels: the first of every month, named short, the year where it changes.
    const std::vector<chart::DayTick> months = chart::dayTicks(1, 400, 1.8, november1);
    EXPECT_EQ(labels({months.begin(), months.begin() + 4}), "Nov./2015 Dez. Jan./2016 Feb.");
    EXPECT_EQ(months[2].day, 62) << "1 January 2016";
    EXPECT_EQ(labels(chart::dayTicks(1, 100, 3, november1)).substr(0, 22), "November/2015 Dezember")
        << "in full where they fit";
    EXPECT_EQ(labels(chart::dayTicks(-5, 100, 7.2, std::nullopt)),
              "Tag 0 Tag 10 Tag 20 Tag 30 Tag 40 Tag 50 "
              "Tag 60 Tag 70 Tag 80 Tag 90 Tag 100");
}
