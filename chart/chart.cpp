#include "chart/chart.h"

namespace chart {

QString seriesName(pandemie::Series series) {
    const std::string_view name = seriesNameText(series);
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace chart
