#include "chart/chart.h"

namespace chart {

QString seriesName(pandemie::Series series) {
    return fromTable(seriesNameText(series));
}

}  // namespace chart
