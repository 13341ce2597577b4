#include "output/fit_exports.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "model/calendar.h"
#include "model/counted.h"
#include "output/exports.h"

namespace pandemie::output {

namespace {

constexpr std::string_view transmissionName = "transmission";
constexpr std::string_view reproductionName = "reproduction";
constexpr int reportingDecimals = 3;

void addFigures(Table& table, std::string_view measure, const ParameterFigures& figures, int decimals) {
    table.columns[0].add(measure);
    table.columns[1].add(figures.mean);
    auto column = table.columns.begin() + 2;
    for (const double value : {figures.p10, figures.p50, figures.p90}) (column++)->add(value, decimals);
}

bool isFree(const FitSettings& settings, Parameter parameter) {
    const ParameterRange range = settings.prior[static_cast<std::size_t>(parameter)];
    return range.min < range.max;
}

std::string padded(std::string_view text, std::size_t width) {
    std::string line(text);
    if (line.size() < width) line.resize(width, ' ');
    return line;
}

std::string seriesList(const Observations& observed) {
    std::string list;
    for (std::size_t s = 0; s < observedSeriesNames.size(); ++s)
        if (observed.counts(static_cast<ObservedSeries>(s)))
            list.append(list.empty() ? "" : ", ").append(observedSeriesNames[s]);
    return list;
}

ParameterFigures scaled(ParameterFigures figures, double factor) {
    figures.mean *= factor;
    figures.p10 *= factor;
    figures.p50 *= factor;
    figures.p90 *= factor;
    return figures;
}

bool countsNewCases(const FitResult& result) {
    return std::ranges::any_of(result.forecastRows,
                               [](const ForecastRow& row) { return row.series == ObservedSeries::newCases; });
}

bool wholeNumber(double value) {
    return value == std::floor(value);
}

// "80 (60..95)" with the decimals given.
std::string withInterval(const ParameterFigures& figures, int decimals) {
    return fixed(figures.p50, decimals) + "  (" + fixed(figures.p10, decimals) + ".." +
           fixed(figures.p90, decimals) + ")";
}

// The date of the data's day, or the day itself where the data had no dates.
std::string dayOrDate(const Observations& observed, double day) {
    if (!observed.dateOfDayOne) return "day " + fixed(day, 0);
    return isoDate(*observed.dateOfDayOne + static_cast<std::int64_t>(day) - 1);
}

// "40 observed days", or the rows and their spacing where the data had dates.
std::string observedPhrase(const Observations& observed) {
    const std::size_t rows = observed.days.size();
    if (!observed.dateOfDayOne)
        return counted(static_cast<std::int64_t>(rows), "observed day", "observed days");
    // Dated rows are read at a steady spacing; a row after a gap spans several.
    const int spacing = std::ranges::min(observed.days, {}, &ObservedDay::periodDays).periodDays;
    const std::string what = spacing == 7 ? "weekly row" : spacing <= 1 ? "daily row" : "row";
    std::string phrase = counted(static_cast<std::int64_t>(rows), what, what + 's');
    if (spacing > 1 && spacing != 7) phrase += ", " + std::to_string(spacing) + " days apart";
    return phrase;
}

// "days 1..40", or the first and last row's dates.
std::string spanText(const Observations& observed) {
    if (!observed.dateOfDayOne)
        return "days " + std::to_string(observed.firstDay()) + ".." + std::to_string(observed.lastDay());
    return dayOrDate(observed, observed.firstDay()) + ".." + dayOrDate(observed, observed.lastDay());
}

// The start as a date: the first infections `start` days before the data's first day.
std::string startText(const FitResult& result, const FitSettings& settings, std::int64_t dateOfDayOne) {
    std::string text = "  " + padded("start", 14);
    if (!result.fitted(FitQuantity::start))
        return text + isoDate(dateOfDayOne - settings.prior[indexOf(FitQuantity::start)].min) +
               "  (held fixed): the first infections\n";
    const ParameterFigures days = result.figures(FitQuantity::start);
    const auto dateOf = [&](double start) {
        return isoDate(dateOfDayOne - static_cast<std::int64_t>(start));
    };
    // The more days before the data, the earlier the date.
    return text + dateOf(days.p50) + "  (" + dateOf(days.p90) + ".." + dateOf(days.p10) +
           "): the first infections, " + withInterval(days, 0) + " days before the data's first day\n";
}

}  // namespace

Table posteriorTable(const FitResult& result) {
    Table table;
    std::vector<std::size_t> shown;  // the quantities fitted, the model's parameters always
    for (const FitQuantityInfo& info : fitQuantityTable) {
        if (indexOf(info.quantity) >= parameterTable.size() && !result.fitted(info.quantity)) continue;
        shown.push_back(indexOf(info.quantity));
        table.columns.push_back(info.quantity == FitQuantity::reporting
                                    ? realColumn(std::string(info.name), reportingDecimals)
                                    : integerColumn(std::string(info.name)));
    }
    table.columns.push_back(realColumn("weight", 9));
    table.columns.push_back(realColumn("distance", 6));
    for (Column& column : table.columns) column.reserve(result.posterior.size());
    for (const Particle& particle : result.posterior) {
        auto column = table.columns.begin();
        for (const std::size_t q : shown) {
            if (q == indexOf(FitQuantity::reporting))
                (column++)->add(reportingOf(particle.values));
            else
                (column++)->add(particle.values[q]);
        }
        (column++)->add(particle.weight);
        column->add(particle.distance);
    }
    return table;
}

Table fitSummaryTable(const FitResult& result) {
    Table table{{textColumn("measure"), realColumn("mean", 3)}};
    for (const char* percentile : {"p10", "p50", "p90"}) table.columns.push_back(realColumn(percentile, 0));
    for (const ParameterInfo& info : parameterTable)
        addFigures(table, info.name, result.figures(info.parameter), 0);
    if (result.fitted(FitQuantity::reporting))
        addFigures(table, "reporting", scaled(result.figures(FitQuantity::reporting), 1.0 / reportingScale),
                   reportingDecimals);
    if (result.fitted(FitQuantity::start)) addFigures(table, "start", result.figures(FitQuantity::start), 0);
    addFigures(table, transmissionName, result.transmissionFigures(), 1);
    addFigures(table, reproductionName, result.reproductionFigures(), 2);
    addSummaryRows(table.columns, result.outcomes);
    if (countsNewCases(result)) addFigures(table, "counted_cases", result.countedCases, 0);
    return table;
}

Table forecastTable(const FitResult& result, const Observations& observed) {
    Table table{{textColumn("date"), integerColumn("day"), textColumn("series"), realColumn("observed", 1),
                 realColumn("mean", 3)}};
    for (const char* percentile : {"p10", "p50", "p90"}) table.columns.push_back(realColumn(percentile, 0));
    for (Column& column : table.columns) column.reserve(result.forecastRows.size());
    for (const ForecastRow& row : result.forecastRows) {
        auto column = table.columns.begin();
        if (observed.dateOfDayOne)
            (column++)->add(isoDate(*observed.dateOfDayOne + row.day - 1));
        else
            (column++)->addEmpty();
        (column++)->add(row.day);
        (column++)->add(nameOf(row.series));
        if (row.observed)
            (column++)->add(*row.observed, wholeNumber(*row.observed) ? 0 : 1);
        else
            (column++)->addEmpty();
        (column++)->add(row.figures.mean);
        for (const double value : {row.figures.p10, row.figures.p50, row.figures.p90}) (column++)->add(value);
    }
    return table;
}

std::string fitReportText(const FitResult& result, const FitSettings& settings, const Observations& observed,
                          double seconds) {
    std::string text = (result.fittedAnything() ? "fit to " : "the values given, compared with ") +
                       observedPhrase(observed) + " (" + seriesList(observed) + ", " + spanText(observed) +
                       (result.fittedAnything() ? "), median and 80 % interval:\n" : "):\n");
    for (const ParameterInfo& info : parameterTable) {
        text.append("  ").append(padded(info.name, 14));
        if (!isFree(settings, info.parameter)) {
            text.append(std::to_string(settings.prior[static_cast<std::size_t>(info.parameter)].min))
                .append("  (held fixed)\n");
            continue;
        }
        text.append(withInterval(result.figures(info.parameter), 0)).append("\n");
    }
    if (observed.counts(ObservedSeries::newCases)) {
        text.append("  ").append(padded("reporting", 14));
        if (result.fitted(FitQuantity::reporting))
            text.append(withInterval(scaled(result.figures(FitQuantity::reporting), 1.0 / reportingScale),
                                     reportingDecimals));
        else
            text.append(fixed(settings.prior[indexOf(FitQuantity::reporting)].min / double{reportingScale},
                              reportingDecimals))
                .append("  (held fixed)");
        text.append(": the share of cases counted\n");
    }
    if (observed.dateOfDayOne) text.append(startText(result, settings, *observed.dateOfDayOne));
    if (isFree(settings, Parameter::encounters) && isFree(settings, Parameter::infection)) {
        const double correlation = result.correlation(Parameter::encounters, Parameter::infection);
        text.append("  encounters x (infection - 1/2) ")
            .append(withInterval(result.transmissionFigures(), 1))
            .append("\n");
        if (correlation < -0.3)
            text.append("  the data do not tell encounters and infection apart (correlation ")
                .append(fixed(correlation, 2))
                .append("): they act through their product, which is fitted more closely than either\n");
    }
    text.append("  basic reproduction number ")
        .append(withInterval(result.reproductionFigures(), 2))
        .append("\n");
    if (countsNewCases(result))
        text.append("  cases counted up to ")
            .append(dayOrDate(observed, settings.scope.days))
            .append(" ")
            .append(withInterval(result.countedCases, 0))
            .append("\n");
    if (observed.dateOfDayOne) {
        const CountHistogram& peak = result.outcomes.histogram(Outcome::peakDay);
        text.append("  peak of the infected on ")
            .append(dayOrDate(observed, peak.percentile(50)))
            .append("  (")
            .append(dayOrDate(observed, peak.percentile(10)))
            .append("..")
            .append(dayOrDate(observed, peak.percentile(90)))
            .append(")\n");
    }
    if (!result.fittedAnything()) {
        text.append("nothing to fit: every quantity is held fixed, so the forecast is ")
            .append(counted(static_cast<std::int64_t>(result.matching.size()), "run", "runs"))
            .append(" of the values given, without a fit; their median distance to the data is ")
            .append(fixed(result.posterior.front().distance, 3))
            .append("; ")
            .append(fixed(seconds, 1))
            .append(" s\n");
    } else {
        const Generation& last = result.generations.back();
        text.append(counted(result.simulations(), "simulation", "simulations"))
            .append(" in ")
            .append(
                counted(static_cast<std::int64_t>(result.generations.size()), "generation", "generations"))
            .append(", the last accepting ")
            .append(fixed(
                100.0 * static_cast<double>(settings.particles) / static_cast<double>(last.proposals), 2))
            .append(" % within distance ")
            .append(fixed(last.tolerance, 3))
            .append("; forecast from the ")
            .append(std::to_string(result.matching.size()))
            .append(" closest of ")
            .append(counted(result.forecastCandidates, "run", "runs"))
            .append("; ")
            .append(fixed(seconds, 1))
            .append(" s (judging ")
            .append(fixed(result.judgingSeconds, 1))
            .append(" s, forecast ")
            .append(fixed(result.forecastSeconds, 1))
            .append(" s)\n");
    }
    const Misfit& misfit = result.misfit;
    if (misfit.fails()) {
        std::vector<std::string> reasons;
        if (misfit.farFromRuns())
            reasons.push_back("their distance to the fitted runs (" + fixed(misfit.observedDistance, 2) +
                              ") is beyond what the fitted model's own runs reach (95 % below " +
                              fixed(misfit.syntheticDistance, 2) + ")");
        if (misfit.outsideRuns())
            reasons.push_back(std::to_string(misfit.pointsOutsideRuns) + " of " +
                              counted(misfit.observedPoints, "observed count", "observed counts") + " (" +
                              fixed(100 * misfit.shareOutsideRuns(), 0) + " %) lie beyond all " +
                              std::to_string(result.matching.size()) +
                              " matching runs by more than twice a count's chance spread");
        text.append("warning: the model does not fit the observations: ");
        for (std::size_t i = 0; i < reasons.size(); ++i) text.append(i == 0 ? "" : "; ").append(reasons[i]);
        text.append("; the forecast is not to be trusted\n");
    }
    for (const FitQuantity quantity : misfit.atPriorEdge)
        text.append("note: most of the posterior of ")
            .append(fitQuantityTable[indexOf(quantity)].name)
            .append(" lies on a bound of its range; the data may want a value outside it\n");
    return text;
}

}  // namespace pandemie::output
