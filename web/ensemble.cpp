#include "ensemble.h"

#include <emscripten/bind.h>

#include <optional>
#include <vector>

#include "chart/band_chart.h"
#include "chart/window_chart.h"
#include "model/random.h"
#include "output/exports.h"
#include "page_window.h"

namespace web {

namespace {

std::string rangeText(std::string_view what, std::int64_t min, std::int64_t max) {
    return std::string(what) + " muss eine ganze Zahl von " + std::to_string(min) + " bis " +
           std::to_string(max) + " sein.";
}

void readParameters(BandRequest& request, const emscripten::val& values) {
    for (const pandemie::ParameterInfo& info : pandemie::parameterTable) {
        const pandemie::ParameterRange range = pandemie::parameterRange(info.parameter);
        const std::optional<int> value =
            values.isUndefined() || values.isNull()
                ? std::nullopt
                : wholeNumberIn(values[std::string(info.name)], range.min, range.max);
        if (!value) {
            request.problem = rangeText(info.caption, range.min, range.max);
            return;
        }
        pandemie::setParameterValue(request.parameters, info.parameter, *value);
    }
}

void readChange(BandRequest& request, const emscripten::val& change) {
    if (change.isUndefined() || change.isNull()) return;
    const std::optional<pandemie::Parameter> parameter =
        change["parameter"].isString() ? pandemie::parameterNamed(change["parameter"].as<std::string>())
                                       : std::nullopt;
    if (!parameter) {
        request.problem = "Die Ma\u00DFnahme nennt keinen der vier Parameter.";
        return;
    }
    const std::optional<int> day = wholeNumberIn(change["day"], 1, lastChangeDay);
    if (!day) {
        request.problem = rangeText("Der Tag der Ma\u00DFnahme", 1, lastChangeDay);
        return;
    }
    const pandemie::ParameterRange range = pandemie::parameterRange(*parameter);
    const std::optional<int> value = wholeNumberIn(change["value"], range.min, range.max);
    if (!value) {
        request.problem = rangeText("Der neue Wert", range.min, range.max);
        return;
    }
    request.changes.push_back({*day, *parameter, *value});
}

pandemie::Trajectory courseAt(const std::vector<int>& counts, std::size_t course, std::size_t days) {
    pandemie::Trajectory trajectory(days);
    for (std::size_t day = 0; day < days; ++day) {
        const std::size_t at = 3 * (course * days + day);
        trajectory[day] = {counts.at(at), counts.at(at + 1), counts.at(at + 2)};
    }
    return trajectory;
}

}  // namespace

BandRequest bandRequestOf(const emscripten::val& request) {
    BandRequest parsed;
    readParameters(parsed, request["parameters"]);
    if (!parsed.problem.empty()) return parsed;
    const std::optional<int> runs = wholeNumberIn(request["runs"], fewestRuns, mostRuns);
    if (!runs) {
        parsed.problem = rangeText("Die Zahl der L\u00E4ufe", fewestRuns, mostRuns);
        return parsed;
    }
    parsed.runs = *runs;
    readChange(parsed, request["change"]);
    return parsed;
}

EnsembleJob::EnsembleJob(const emscripten::val& request) : request_(bandRequestOf(request)) {}

int EnsembleJob::advance(int count) {
    for (int i = 0; i < count && done() < total(); ++i)
        statistics_.add(pandemie::seededRun(request_.parameters, request_.changes,
                                            pandemie::windowSeed + static_cast<std::uint64_t>(done())));
    return done();
}

std::string EnsembleJob::bandsCsv() const {
    return pandemie::output::bandsCsv(statistics_);
}

emscripten::val EnsembleJob::courses() const {
    const pandemie::PercentileCourses percentiles = statistics_.courses();
    std::vector<int> counts;
    for (const pandemie::Trajectory* course : {&percentiles.p10, &percentiles.p50, &percentiles.p90})
        for (const pandemie::DailyCounts& day : *course)
            counts.insert(counts.end(), {day.countSusceptible, day.countInfected, day.countRecovered});
    return emscripten::val::global("Int32Array")
        .new_(emscripten::typed_memory_view(counts.size(), counts.data()))
        .call<emscripten::val>("slice");
}

emscripten::val drawBand(chart::Canvas& picture, const emscripten::val& request,
                         const emscripten::val& courses) {
    const BandRequest parsed = bandRequestOf(request);
    const auto counts = emscripten::convertJSArrayToNumberVector<int>(courses);
    const std::size_t days = counts.size() / 9;
    const pandemie::PercentileCourses percentiles{courseAt(counts, 0, days), courseAt(counts, 1, days),
                                                  courseAt(counts, 2, days)};
    const chart::DayAxis axis = chart::DayAxis::of(percentiles.p50);
    const chart::Colour grey = chart::tableColour(8);
    chart::drawBandChart(picture, percentiles, [&](chart::Canvas& chart) {
        chart.setDrawWidth(1);
        for (const pandemie::Change& change : parsed.changes)
            chart.Line(axis.x(change.day), chart::labelRowTop, axis.x(change.day), 559, grey);
    });
    chart::drawRunsAndParameters(picture, parsed.runs, parsed.parameters);
    for (const auto& [day, label] : chart::changeLabelTexts(parsed.changes)) {
        picture.setFontName("");
        picture.setFontSize(chart::changeTextSize);
        const chart::Rect panel = chart::labelPanel(axis, day, picture.TextWidth(label), chart::labelRowTop);
        chart::drawLabelPanel(picture, panel, label, grey);
    }
    emscripten::val listed = emscripten::val::array();
    for (const chart::ListedText& name : chart::drawSeriesNames(picture)) {
        emscripten::val entry = emscripten::val::object();
        entry.set("text", name.text);
        entry.set("colour", cssColour(name.colour));
        listed.call<void>("push", entry);
    }
    picture.Refresh();
    return listed;
}

}  // namespace web
