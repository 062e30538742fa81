// The code table and the slot table of the derived-variable editor.
#include "app/TransformEquations.h"

#include "stats/Distributions.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using E = TransformEquation;

// code, x, y, c, preview, note
const E kEquations[] = {
    {300, true, false, false, "%@ = log(%@)", "Note: log(x) produces missing values for x <= 0"},
    {301, true, false, false, "%@ = log(%@+1)", "Note: log(x+1) produces missing values for x <= -1"},
    {302, true, false, false, "%@ = %@²", ""},
    {303, true, false, false, "%@ = sqrt(%@)", "Note: sqrt(x) produces missing values for x < 0"},
    {304, true, false, false, "%@ = arcsin(%@)",
     "Note: arcsin(x) produces missing values for x < -1 and x > 1"},
    {305, true, false, false, "%@ = %@³", ""},
    {306, true, false, false, "%@ = ln(%@)", "Note: ln(x) produces missing values for x <= 0"},
    {307, true, false, false, "%@ = ln(%@+1)", "Note: ln(x+1) produces missing values for x <= -1"},
    {308, true, false, true, "%@ = %@^%@", ""},
    {309, true, false, true, "%@ = %@ + %@", ""},
    {310, true, false, true, "%@ = %@ - %@", ""},
    {311, true, false, true, "%@ = %@ / %@", "Constant must not be zero"},
    {312, true, false, true, "%@ = %@ * %@", ""},
    {313, true, false, true, "%@ = (%@ + %@) / 2", ""},
    {314, true, false, true, "%@ = min(%@,%@)", ""},
    {315, true, false, true, "%@ = max(%@,%@)", ""},
    {316, true, true, false, "%@ = %@ + %@", ""},
    {317, true, true, false, "%@ = %@ - %@", ""},
    {318, true, true, false, "%@ = %@ / %@", ""},
    {319, true, true, false, "%@ = %@ * %@", ""},
    {320, true, true, false, "%@ = (%@ + %@) / 2", ""},
    {321, true, true, false, "%@ = min(%@,%@)", ""},
    {322, true, true, false, "%@ = max(%@,%@)", ""},
    // Reserved: the preview knows them, nothing offers them.
    {323, true, false, false, "%@ = rank(%@)", ""},
    {324, true, false, false, "%@ = rank(-1 * %@)", ""},
    {325, true, false, false, "%@ = quantile(%@)", ""},
    {326, true, false, false, "%@ = percentile(%@)", ""},
    {327, true, false, false, "%@ = (%@ - mean) / std dev",
     "Centers distribution on mean and scales by standard deviation"},
    {328, true, false, false, "%@ = Box cox(%@)", ""},
    {329, true, false, true, "%@ = (%@==%@)", ""},
    {330, true, false, true, "%@ = %@>=%@", ""},
    {331, true, false, true, "%@ = %@>%@", ""},
    {332, true, false, true, "%@ = %@<=%@", ""},
    {333, true, false, true, "%@ = %@<%@", ""},
    {334, false, false, true, "%@ = %@", ""},
    {335, false, false, false, "%@ = rand(0,1)", "Gives random values between zero and one"},
    {336, false, false, true, "%@ = rand(0,%@)", "Gives random values between zero and c"},
    {337, false, false, false, "%@ = norm(0,1)",
     "Gives normally distributed random values with mean zero and standard deviation one"},
    {338, true, false, false, "%@ = |x|", ""},
    {339, true, false, false, "%@ = (%@ - min)/(max - min)", "Scales variable to the unit vector [0,1]"},
    {340, true, false, true, "%@ = (%@≠%@)", ""},
};

const E kUnknown{0, true, false, false, "Unknown Transformation", ""};

using Slots = std::array<TransformSlot, kTransformSlotCount>;
const TransformSlot kUnused{};

const Slots kCategories[kTransformCategoryCount] = {
    {{{"log(x)", 300},
      {"log(x+1)", 301},
      {"ln(x)", 306},
      {"ln(x+1)", 307},
      {"|x|", 338},
      {"xⁿ", 308},
      {"sqrt(x)", 303},
      {"arcsin(x)", 304}}},
    {{{"x+c", 309},
      {"x-c", 310},
      {"x/c", 311},
      {"x*c", 312},
      {"(x+c)/2", 313},
      {"min(x,c)", 314},
      {"max(x,c)", 315},
      kUnused}},
    {{{"x+y", 316},
      {"x-y", 317},
      {"x/y", 318},
      {"x*y", 319},
      {"(x+y)/2", 320},
      {"min(x,y)", 321},
      {"max(x,y)", 322},
      kUnused}},
    {{{"rescale(x)", 339}, {"Z(x)", 327}, kUnused, kUnused, kUnused, kUnused, kUnused, kUnused}},
    {{{"x==c", 329},
      {"x>=c", 330},
      {"x>c", 331},
      {"x<=c", 332},
      {"x<c", 333},
      {"x≠c", 340},
      kUnused,
      kUnused}},
    {{{"c", 334},
      {"rand(0,1)", 335},
      {"rand(0,c)", 336},
      {"norm(0,1)", 337},
      kUnused,
      kUnused,
      kUnused,
      kUnused}},
};

const char* const kCategoryTitles[kTransformCategoryCount] = {"Derive from one variable",
                                                              "Derive from variable and constant",
                                                              "Derive from two variables",
                                                              "Recode variable's distribution",
                                                              "Logical",
                                                              "Generate"};

} // namespace

const TransformEquation& transformEquation(unsigned code) {
    auto it = std::find_if(std::begin(kEquations), std::end(kEquations),
                           [code](const E& e) { return e.code == code; });
    return it == std::end(kEquations) ? kUnknown : *it;
}

std::string previewOfEquation(const TransformEquation& equation, const std::string& left,
                              const std::string& x, const std::string& y, const std::string& c) {
    std::vector<const std::string*> arguments{&left};
    if (equation.needsX)
        arguments.push_back(&x);
    if (equation.needsY)
        arguments.push_back(&y);
    if (equation.needsC)
        arguments.push_back(&c);
    const std::string format = equation.previewFormat;
    std::string out;
    size_t next = 0, start = 0;
    for (size_t at; (at = format.find("%@", start)) != std::string::npos; start = at + 2) {
        out.append(format, start, at - start);
        if (next < arguments.size())
            out += *arguments[next++];
    }
    out.append(format, start, std::string::npos);
    return out;
}

const std::array<TransformSlot, kTransformSlotCount>& slotsOfCategory(unsigned category) {
    return kCategories[std::min(category, kTransformCategoryCount - 1)];
}

const char* titleOfCategory(unsigned category) {
    return category < kTransformCategoryCount ? kCategoryTitles[category] : "";
}

const std::array<TransformSlot, kTransformSlotCount>& initialSlots() {
    static const Slots slots = [] {
        Slots s = kCategories[0];
        s[4] = {"x²", 302};
        s[5] = {"x³", 305};
        return s;
    }();
    return slots;
}

std::function<double(double, double, double)> formulaOfEquation(unsigned code, XStatistics s) {
    using F = std::function<double(double, double, double)>;
    auto one = [](double v) { return v ? 1.0 : 0.0; };
    switch (code) {
    case 300:
        return [](double x, double, double) { return std::log10(x); };
    case 301:
        return [](double x, double, double) { return std::log10(x + 1); };
    case 302:
        return [](double x, double, double) { return x * x; };
    case 303:
        return [](double x, double, double) { return std::sqrt(x); };
    case 304:
        return [](double x, double, double) { return std::asin(x); };
    case 305:
        return [](double x, double, double) { return x * x * x; };
    case 306:
        return [](double x, double, double) { return std::log(x); };
    case 307:
        return [](double x, double, double) { return std::log(x + 1); };
    case 308:
        return [](double x, double, double c) { return std::pow(x, c); };
    case 309:
        return [](double x, double, double c) { return x + c; };
    case 310:
        return [](double x, double, double c) { return x - c; };
    case 311:
        return [](double x, double, double c) { return x / c; };
    case 312:
        return [](double x, double, double c) { return x * c; };
    case 313:
        return [](double x, double, double c) { return (x + c) * 0.5; };
    case 314:
        return [](double x, double, double c) { return std::fmin(x, c); };
    case 315:
        return [](double x, double, double c) { return std::fmax(x, c); };
    case 316:
        return [](double x, double y, double) { return x + y; };
    case 317:
        return [](double x, double y, double) { return x - y; };
    case 318:
        return [](double x, double y, double) { return x / y; };
    case 319:
        return [](double x, double y, double) { return x * y; };
    case 320:
        return [](double x, double y, double) { return (x + y) * 0.5; };
    case 321:
        return [](double x, double y, double) { return std::fmin(x, y); };
    case 322:
        return [](double x, double y, double) { return std::fmax(x, y); };
    case 327:
        return [s](double x, double, double) { return (x - s.mean) / s.sd; };
    case 329:
        return [one](double x, double, double c) { return one(x == c); };
    case 330:
        return [one](double x, double, double c) { return one(x >= c); };
    case 331:
        return [one](double x, double, double c) { return one(x > c); };
    case 332:
        return [one](double x, double, double c) { return one(x <= c); };
    case 333:
        return [one](double x, double, double c) { return one(x < c); };
    // A NaN is unequal to everything, so it gives 1 here and 0 in the other comparisons.
    case 340:
        return [one](double x, double, double c) { return one(x != c); };
    case 334:
        return [](double, double, double c) { return c; };
    case 335:
        return [](double, double, double) { return uniform_random(); };
    case 336:
        return [](double, double, double c) { return uniform_random() * c; };
    case 337:
        return [](double, double, double) { return norm_quantile_approx(uniform_random()); };
    case 338:
        return [](double x, double, double) { return std::fabs(x); };
    case 339:
        return [s](double x, double, double) { return (x - s.min) / (s.max - s.min); };
    default:
        return F([](double x, double, double) { return x; });
    }
}
