#pragma once
// The images of a fit: the forecast of the runs that match the observed
// counts, with the counts drawn over it, and the joint posterior weight of
// two parameters as a heat map.

#include <QColor>
#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

#include "chart/change_labels.h"
#include "chart/day_axis.h"
#include "chart/surface.h"
#include "model/band_stats.h"
#include "model/fit.h"
#include "model/observations.h"
#include "model/scenario.h"

namespace chart {

struct ForecastFigure {
    pandemie::PercentileCourses courses;  // each series' p10/p50/p90 per day, from the matching runs
    std::int64_t runs = 0;                // how many runs the bands are made of
    pandemie::Observations observed;
    pandemie::Schedule changes;              // known interventions
    QString parameterLine;                   // a line below the plot, drawn as given (the fitted parameters)
    bool misfit = false;                     // the model does not fit the observations
    int persons = pandemie::countedPersons;  // whose counts are observed
};

// The band chart (bandImage's bands, medians, frame and key) with the
// observed counts over it as discs in their series' colours, a dashed line
// at the last observed day with its label, "beobachtet" in the key, the
// number of runs and the parameter line below the plot; when misfit, a red
// warning where the plot area has room; change days marked. The series'
// names, and the warning, stand where they cover no data, else in a list
// below the image.
[[nodiscard]] QImage forecastImage(const ForecastFigure& figure);

// "Median a posteriori: 10 Tsd. Begegnungen/Tag, ..." for the forecast image.
[[nodiscard]] QString fittedParameterLine(const pandemie::FitResult& result);

// The forecast image of a fit to observed with the known changes, in the fit's population.
[[nodiscard]] QImage forecastImage(const pandemie::FitResult& result, const pandemie::Observations& observed,
                                   const pandemie::Schedule& changes, int persons = pandemie::countedPersons);

// Pieces the images of fits share.
// An observed count: a disc of the colour in a darker outline.
void drawObservedMark(Surface& picture, double x, double y, double radius, const QColor& colour);
// The observed counts of the series as marks in its colour, at rows rowOf(count).
void drawObservedCounts(Surface& picture, const pandemie::Observations& observed, pandemie::Series series,
                        const DayAxis& axis, const std::function<double(double count)>& rowOf);
// "Tag 40: letzte Beobachtung" above the plot area beside the last observed
// day's line; none when that day is off the axis.
[[nodiscard]] std::optional<ChangeLabel> lastObservationLabel(const pandemie::Observations& observed,
                                                              const DayAxis& axis);
// The label's dashed line, to draw under the curves, and the label itself.
void drawLastObservationLine(Surface& picture, const std::optional<ChangeLabel>& label, const DayAxis& axis);
void drawLastObservationLabel(Surface& picture, const std::optional<ChangeLabel>& label);
// The colour of the last observation's line and label.
[[nodiscard]] QColor lastObservationColour();
// The last observation's line at x, dashed from y = top to bottom, two pixels wide.
void drawDashedLine(Surface& picture, double x, int top, int bottom);
// The warning, "Das Modell passt nicht zu den Beobachtungen", and its red.
[[nodiscard]] QString misfitText();
[[nodiscard]] QColor misfitColour();
// Two lines in size 9 from y = top: how many runs make the forecast, then the parameter line.
void drawLinesBelow(Surface& picture, double top, std::int64_t runs, const QString& parameterLine);

// The heat map of the sweep's images over the two parameters' whole values,
// each cell in the viridis scale of its weight against the heaviest cell's,
// cells of weight 0 in light grey.
[[nodiscard]] QImage jointPosteriorImage(const pandemie::JointPosterior& joint);

// The colour of cells of weight 0.
[[nodiscard]] QColor zeroWeightColour();

}  // namespace chart
