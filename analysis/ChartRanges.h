// The one rule every result chart follows for its plot ranges and bin widths: a range with no length
// (a constant or single-valued column) or an unusable one becomes a unit around its value, so no plot
// space is ever asked to divide by a zero length.
#pragma once

#include <vector>

struct ChartRange {
    double location = 0;
    double length = 1;
    friend bool operator==(const ChartRange&, const ChartRange&) = default;
};

// The range as given when its length is finite and above zero; otherwise a range of length 1 centred
// on the location (at 0 when the location is not finite either). Widen afterwards, never before.
ChartRange chartRange(double location, double length);
// The range from the smallest to the largest value, by the same rule.
ChartRange chartRangeOfValues(double minimum, double maximum);
// The width of a histogram's bins from their lower bounds: the distance between the first two; 1 when
// there are fewer than two bins or that distance is not a finite positive number.
double chartBinWidth(const std::vector<double>& binStarts);
