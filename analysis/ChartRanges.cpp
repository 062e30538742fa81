// Plot ranges and bin widths that a plot space can always map.
#include "analysis/ChartRanges.h"

#include <cmath>

ChartRange chartRange(double location, double length) {
    if (std::isfinite(location) && std::isfinite(length) && length > 0)
        return {location, length};
    const double centre = std::isfinite(location) ? location : 0;
    return {centre - 0.5, 1};
}

ChartRange chartRangeOfValues(double minimum, double maximum) {
    if (!std::isfinite(minimum) && std::isfinite(maximum))
        minimum = maximum;
    return chartRange(minimum, maximum - minimum);
}

double chartBinWidth(const std::vector<double>& binStarts) {
    if (binStarts.size() < 2)
        return 1;
    const double width = binStarts[1] - binStarts[0];
    return std::isfinite(width) && width > 0 ? width : 1;
}
