#include "output/fit_exports.h"

#include <cmath>

#include "output/exports.h"

namespace pandemie::output {

namespace {

constexpr std::string_view transmissionName = "transmission";

void appendFigures(std::string& csv, const ParameterFigures& figures, int decimals) {
    csv.append(",").append(fixed(figures.mean, 3));
    for (const double value : {figures.p10, figures.p50, figures.p90})
        csv.append(",").append(fixed(value, decimals));
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

std::string posteriorCsv(const FitResult& result) {
    std::string csv;
    for (const ParameterInfo& info : parameterTable) csv.append(info.name).append(",");
    csv.append("weight,distance\n");
    for (const Particle& particle : result.posterior) {
        for (const int value : particle.values) csv.append(std::to_string(value)).append(",");
        csv.append(fixed(particle.weight, 9)).append(",").append(fixed(particle.distance, 6)).append("\n");
    }
    return csv;
}

std::string fitSummaryCsv(const FitResult& result) {
    std::string csv = "measure,mean,p10,p50,p90\n";
    for (const ParameterInfo& info : parameterTable) {
        csv.append(info.name);
        appendFigures(csv, result.figures(info.parameter), 0);
        csv += '\n';
    }
    csv.append(transmissionName);
    appendFigures(csv, result.transmissionFigures(), 1);
    csv += '\n';
    const std::string forecast = summaryCsv(result.outcomes);
    csv.append(forecast.substr(forecast.find('\n') + 1));
    return csv;
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
