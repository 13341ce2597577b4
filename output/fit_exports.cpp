#include "output/fit_exports.h"

#include <cmath>

#include "output/exports.h"

namespace pandemie::output {

namespace {

constexpr std::string_view transmissionName = "transmission";

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
    for (const SeriesField& field : seriesFields)
        if (observed.counts(field.series)) list.append(list.empty() ? "" : ", ").append(field.name);
    return list;
}

}  // namespace

Table posteriorTable(const FitResult& result) {
    Table table;
    for (const ParameterInfo& info : parameterTable)
        table.columns.push_back(integerColumn(std::string(info.name)));
    table.columns.push_back(realColumn("weight", 9));
    table.columns.push_back(realColumn("distance", 6));
    for (Column& column : table.columns) column.reserve(result.posterior.size());
    for (const Particle& particle : result.posterior) {
        auto column = table.columns.begin();
        for (const int value : particle.values) (column++)->add(value);
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
    addFigures(table, transmissionName, result.transmissionFigures(), 1);
    addSummaryRows(table.columns, result.outcomes);
    return table;
}

std::string fitReportText(const FitResult& result, const FitSettings& settings, const Observations& observed,
                          double seconds) {
    std::string text = "fit to " + std::to_string(observed.days.size()) + " observed days (" +
                       seriesList(observed) + ", days " + std::to_string(observed.firstDay()) + ".." +
                       std::to_string(observed.lastDay()) + "), median and 80 % interval:\n";
    for (const ParameterInfo& info : parameterTable) {
        text.append("  ").append(padded(info.name, 14));
        if (!isFree(settings, info.parameter)) {
            text.append(std::to_string(settings.prior[static_cast<std::size_t>(info.parameter)].min))
                .append("  (held fixed)\n");
            continue;
        }
        const ParameterFigures figures = result.figures(info.parameter);
        text.append(fixed(figures.p50, 0))
            .append("  (")
            .append(fixed(figures.p10, 0))
            .append("..")
            .append(fixed(figures.p90, 0))
            .append(")\n");
    }
    if (isFree(settings, Parameter::encounters) && isFree(settings, Parameter::infection)) {
        const ParameterFigures transmission = result.transmissionFigures();
        const double correlation = result.correlation(Parameter::encounters, Parameter::infection);
        text.append("  encounters x (infection - 1/2) ")
            .append(fixed(transmission.p50, 1))
            .append("  (")
            .append(fixed(transmission.p10, 1))
            .append("..")
            .append(fixed(transmission.p90, 1))
            .append(")\n");
        if (correlation < -0.3)
            text.append("  the data do not tell encounters and infection apart (correlation ")
                .append(fixed(correlation, 2))
                .append("): they act through their product, which is fitted more closely than either\n");
    }
    const Generation& last = result.generations.back();
    text.append(std::to_string(result.simulations()))
        .append(" simulations in ")
        .append(std::to_string(result.generations.size()))
        .append(" generations, the last accepting ")
        .append(
            fixed(100.0 * static_cast<double>(settings.particles) / static_cast<double>(last.proposals), 2))
        .append(" % within distance ")
        .append(fixed(last.tolerance, 3))
        .append("; forecast from the ")
        .append(std::to_string(result.matching.size()))
        .append(" closest of ")
        .append(std::to_string(result.forecastCandidates))
        .append(" runs; ")
        .append(fixed(seconds, 1))
        .append(" s (judging ")
        .append(fixed(result.judgingSeconds, 1))
        .append(" s, forecast ")
        .append(fixed(result.forecastSeconds, 1))
        .append(" s)\n");
    const Misfit& misfit = result.misfit;
    if (misfit.fails())
        text.append("warning: the model does not fit the observations: their distance to the fitted runs (")
            .append(fixed(misfit.observedDistance, 2))
            .append(") is beyond what the fitted model's own runs reach (95 % below ")
            .append(fixed(misfit.syntheticDistance, 2))
            .append("); the forecast is not to be trusted\n");
    for (const Parameter parameter : misfit.atPriorEdge)
        text.append("note: most of the posterior of ")
            .append(infoOf(parameter).name)
            .append(" lies on a bound of its range; the data may want a value outside it\n");
    return text;
}

}  // namespace pandemie::output
