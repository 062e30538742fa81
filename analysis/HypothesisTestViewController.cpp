// The hypothesis-test screen's layout, choices, run, result text, charts and exports.
#include "analysis/HypothesisTestViewController.h"

#include "analysis/ChartRanges.h"
#include "analysis/FitScreenParts.h"
#include "analysis/ResultsScrollView.h"
#include "app/TextFormat.h"
#include "app/WheresViewController.h"
#include "plot/axes_plots/CPTTimeFormatter.h"
#include "plot/axes_plots/CPTXYAxis.h"
#include "plot/axes_plots/CPTXYAxisSet.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTFill.h"
#include "plot/foundation/CPTLineStyle.h"
#include "plot/foundation/CPTPlotRange.h"
#include "plot/foundation/CPTTextStyle.h"
#include "plot/graph/CPTPlotAreaFrame.h"
#include "plot/graph/CPTXYPlotSpace.h"
#include "platform/foundation/DateFormatter.h"
#include "platform/foundation/Locale.h"
#include "platform/foundation/Tr.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <tuple>

using foundation::tr;
using foundation::Value;
using ui::Rect;
using fitparts::axesOf;
using fitparts::lineOf;
using fitparts::range;
using fitparts::significantDigits;
using fitparts::spaceOf;
using fitparts::timeFormatterFor;

namespace {

constexpr int64_t kNumericType = 3;
constexpr int64_t kDateType = 4;
constexpr int64_t kProportionsDistribution = 2;
constexpr uint64_t kExactTest = 2;
constexpr double kMargin = 20;

gfx::Color rgb(double r, double g, double b) {
    return {r / 255.0, g / 255.0, b / 255.0, 1.0};
}

std::shared_ptr<ui::Label> makeLabel(const char* identifier, double size, bool bold = false) {
    auto label = std::make_shared<ui::Label>(Rect{0, 0, 10, 10});
    label->setIdentifier(identifier);
    label->setFont(bold ? gfx::Font::boldSystem(size) : gfx::Font::system(size));
    return label;
}

// The width a table needs for each column's widest cell on one line (the first row and column bold).
double tableWidth(const std::vector<std::vector<std::string>>& rows, double size, double padding) {
    std::vector<double> widths;
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c) {
            const bool header = r == 0 || c == 0;
            const gfx::Font font = header ? gfx::Font::boldSystem(size) : gfx::Font::system(size);
            // Headers may wrap between words; numbers stay whole.
            double width = 0;
            if (header) {
                size_t start = 0;
                const std::string& text = rows[r][c];
                while (start <= text.size()) {
                    const size_t end = std::min(text.find(' ', start), text.size());
                    width = std::max(width, font.widthOf(std::string_view(text).substr(start, end - start)));
                    start = end + 1;
                }
            } else {
                width = font.widthOf(rows[r][c]);
            }
            if (widths.size() <= c)
                widths.resize(c + 1, 0);
            widths[c] = std::max(widths[c], width + 2 * padding + 4);
        }
    double total = 0;
    for (double w : widths)
        total += w;
    return std::ceil(total);
}

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// The first level of the list other than the success level, or nothing.
std::string otherLevel(const std::vector<std::string>& levels, const std::optional<std::string>& success) {
    for (const auto& level : levels)
        if (!success || level != *success)
            return level;
    return std::string();
}

// Statements by case (one sample means, one sample proportions, two samples means, two samples or paired
// proportions, paired means), tails (0 two, 1 less, 2 greater): the null and the alternative.
const char* const kStatements[5][3][2] = {
    {{"Null hypothesis, H₀: %@ = %@ (The true mean of %@ is equal to %@)",
      "Alternative hypothesis, H₁: %@ ≠ %@ (The true mean of %@ is not equal to %@)"},
     {"Null hypothesis, H₀: %@ >= %@ (The true mean of %@ is greater than or equal to %@)",
      "Alternative hypothesis, H₁: %@ < %@ (The true mean of %@ is less than %@)"},
     {"Null hypothesis, H₀: %@ <= %@ (The true mean of %@ is less than or equal to %@)",
      "Alternative hypothesis, H₁: %@ > %@ (The true mean of %@ is greater than %@)"}},
    {{"Null hypothesis, H₀: Pr(%@) = %@ (The true proportion of %@ is equal to %@)",
      "Alternative hypothesis, H₁: Pr(%@) ≠ %@ (The true proportion of %@ is not equal to %@)"},
     {"Null hypothesis, H₀: Pr(%@) >= %@ (The true proportion of %@ is greater than or equal to %@)",
      "Alternative hypothesis, H₁: Pr(%@) < %@ (The true proportion of %@ is less than %@)"},
     {"Null hypothesis, H₀: Pr(%@) <= %@ (The true proportion of %@ is less than or equal to %@)",
      "Alternative hypothesis, H₁: Pr(%@) > %@ (The true proportion of %@ is greater than %@)"}},
    {{"Null hypothesis, H₀: %@ = %@ (The true mean of %@ is equal to the true mean of %@)",
      "Alternative hypothesis, H₁: %@ ≠ %@ (The true mean of %@ is not equal to the true mean of %@)"},
     {"Null hypothesis, H₀: %@ >= %@ (The true mean of %@ is greater than or equal to the true mean of %@)",
      "Alternative hypothesis, H₁: %@ < %@ (The true mean of %@ is less than the true mean of %@)"},
     {"Null hypothesis, H₀: %@ <= %@ (The true mean of %@ is less than or equal to the true mean of %@)",
      "Alternative hypothesis, H₁: %@ > %@ (The true mean of %@ is greater than the true mean of %@)"}},
    {{"Null hypothesis, H₀: Pr(%@) = Pr(%@) (The true proportion of %@ is equal to the true proportion of %@)",
      "Alternative hypothesis, H₁: Pr(%@) ≠ Pr(%@) (The true proportion of %@ is not equal to the true "
      "proportion of %@)"},
     {"Null hypothesis, H₀: Pr(%@) >= Pr(%@) (The true proportion of %@ is greater than or equal to the true "
      "proportion of %@)",
      "Alternative hypothesis, H₁: Pr(%@) < Pr(%@) (The true proportion of %@ is less than the true proportion "
      "of %@)"},
     {"Null hypothesis, H₀: Pr(%@) <= Pr(%@) (The true proportion of %@ is less than or equal to the true "
      "proportion of %@)",
      "Alternative hypothesis, H₁: Pr(%@) > Pr(%@) (The true proportion of %@ is greater than the true "
      "proportion of %@)"}},
    {{"Null hypothesis, H₀: %@ - %@ = 0 (The true mean of pairwise differences between %@ and %@ is equal to "
      "zero)",
      "Alternative hypothesis, H₁: %@ - %@ ≠ 0 (The true mean of pairwise differences between %@ and %@ is not "
      "equal to zero)"},
     {"Null hypothesis, H₀: %@ - %@ >= 0 (The true mean of pairwise differences between %@ and %@ is greater "
      "than or equal to zero)",
      "Alternative hypothesis, H₁: %@ - %@ < 0 (The true mean of pairwise differences between %@ and %@ is less "
      "than zero)"},
     {"Null hypothesis, H₀: %@ - %@ <= 0 (The true mean of pairwise differences between %@ and %@ is less than "
      "or equal to zero)",
      "Alternative hypothesis, H₁: %@ - %@ > 0 (The true mean of pairwise differences between %@ and %@ is "
      "greater than zero)"}},
};

std::string testTitle(int64_t test) {
    switch (test) {
    case 2:
        return tr("Exact binomial test");
    case 3:
        return tr("Chi-squared test");
    case 4:
        return tr("McNemar's test");
    default:
        return tr("Determined by data");
    }
}

// The value of an optional number, NaN when absent.
double valueOf(const std::optional<double>& v) {
    return v ? *v : NAN;
}

// The list pop-over: this screen answers its rows and selections.
class ListController : public ui::TableViewController {
  public:
    ListController(HypothesisTestViewController& screen, int tag) : screen_(screen), tag_(tag) {}
    void loadView() override {
        ui::TableViewController::loadView();
        tableView().setTag(tag_);
        for (const char* id : {"Tests", "LevelLeft", "LevelRight"})
            tableView().registerCellFactory(id, [](const std::string& reuse) {
                return std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, reuse);
            });
    }
    int numberOfRowsInSection(ui::TableView& table, int section) override {
        return screen_.numberOfRowsInSection(table, section);
    }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table, ui::IndexPath path) override {
        return screen_.cellForRowAtIndexPath(table, path);
    }
    void didSelectRowAtIndexPath(ui::TableView& table, ui::IndexPath path) override {
        screen_.didSelectRowAtIndexPath(table, path);
    }

  private:
    HypothesisTestViewController& screen_;
    int tag_;
};

} // namespace

const gfx::Color HypothesisTestViewController::colorSample1 = rgb(116, 196, 219);
const gfx::Color HypothesisTestViewController::colorSample2 = rgb(219, 139, 116);
const gfx::Color HypothesisTestViewController::colorTheoretical = rgb(96, 96, 252);
const gfx::Color HypothesisTestViewController::colorActual = rgb(96, 252, 190);

// --- Chart data: every plot of the four graphs asks here, by its identifier.

class HypothesisTestViewController::ChartSource : public CPTBarPlotDataSource {
  public:
    explicit ChartSource(HypothesisTestViewController& screen) : screen_(screen) {}

    uint64_t records(const Value& id) {
        const auto& result = screen_.graphData().result;
        if (id.isNumber()) {
            const auto& points = result ? result->densityX : std::nullopt;
            return points ? points->size() : 0;
        }
        const std::string& name = id.string();
        if (name == "topBox" || name == "bottomBox" || name == "topWhiskerTip" || name == "bottomWhiskerTip" ||
            name == "topWhisker" || name == "bottomWhisker")
            return screen_.samples() == 2 && !screen_.paired() ? 2 : 1;
        if (name == "barProportions1" || name == "barProportions2" || name == "expectedBox" ||
            name == "expectedDensity")
            return 2;
        if (name == "barSample1")
            return screen_.resolutionX_;
        if (name == "barSample2")
            return screen_.resolutionY_;
        return 100;
    }

    std::optional<double> value(const Value& id, uint64_t field, uint64_t r) {
        const auto& stored = screen_.graphData().result;
        if (!stored)
            return std::nullopt;
        const HypothesisTestResult& result = *stored;
        if (!screen_.analysis())
            return std::nullopt;
        if (id.isNumber()) {
            const int64_t n = id.toInt64();
            const auto& points = n == 1 ? result.densityX : result.densityY;
            if ((n != 0 && n != 1) || !points || r >= points->size())
                return std::nullopt;
            if (field == 0)
                return (*points)[r].x;
            if (field == 1)
                return 0.4 * (*points)[r].y - double(n);
            return std::nullopt;
        }
        const std::string& name = id.string();
        const double expected = screen_.samples() == 2 ? 0.0 : valueOf(expectedValue(*screen_.analysis()));
        if (const auto part = boxPart(name)) {
            const auto& box = r == 0 ? result.boxX : result.boxY;
            if (!box || box->empty())
                return std::nullopt;
            auto at = [&](double key) -> std::optional<double> {
                auto it = box->find(key);
                return it == box->end() ? std::nullopt : std::optional<double>(it->second);
            };
            if (field == 0)
                return double(r);
            if (field == 1)
                return at(part->tip);
            if (field == 2)
                return at(part->base);
            return std::nullopt;
        }
        if (name == "barProportions1") {
            if (field == 0)
                return r == 0 ? -0.2 : 0.8;
            if (field != 1)
                return std::nullopt;
            if (result.shape == HypothesisTestResult::Shape::PairedProportions) {
                const auto b = result.x0y1.value_or(0), c = result.x1y0.value_or(0);
                if (b + c == 0)
                    return NAN;
                return double(r == 0 ? b : c) / double(b + c);
            }
            if (!result.meanX)
                return std::nullopt;
            return r == 0 ? *result.meanX : 1 - *result.meanX;
        }
        if (name == "barProportions2") {
            if (field == 0)
                return double(r);
            if (field != 1)
                return std::nullopt;
            if (screen_.samples() != 2)
                return r == 0 ? expected : 1 - expected;
            if (screen_.paired())
                return 0.5;
            if (!result.meanY)
                return std::nullopt;
            return r == 0 ? *result.meanY : 1 - *result.meanY;
        }
        if (name == "expectedBox") {
            if (field == 0)
                return r == 0 ? -5.0 : 5.0;
            return field == 1 ? std::optional<double>(expected) : std::nullopt;
        }
        if (name == "expectedDensity") {
            if (field == 0)
                return expected;
            return field == 1 ? std::optional<double>(r == 0 ? -5.0 : 5.0) : std::nullopt;
        }
        const DensityCurve* curve = nullptr;
        double low = screen_.minTheoretical_, high = screen_.maxTheoretical_, steps = 100;
        bool difference = false;
        if (name == "sample1" || name == "barSample1")
            curve = &result.pdfSample1;
        else if (name == "sample2" || name == "barSample2")
            curve = &result.pdfSample2;
        else if (name == "diff1" || name == "diff2") {
            curve = name == "diff1" ? &result.pdfDiff1 : &result.pdfDiff2;
            low = screen_.minTheoreticalDiff_;
            high = screen_.maxTheoreticalDiff_;
            difference = true;
        }
        if (!curve || !*curve || field > 1)
            return std::nullopt;
        if (name == "barSample1")
            steps = double(screen_.resolutionX_);
        else if (name == "barSample2")
            steps = double(screen_.resolutionY_);
        if (!(steps > 0))
            return std::nullopt;
        const double x = low + (high - low) * double(r) / steps;
        if (field == 1)
            return (*curve)(x);
        return difference && screen_.differenceInDays_ ? x / 86400.0 : x;
    }

    uint64_t numberOfRecordsForPlot(CPTPlot& plot) override { return records(plot.identifier()); }

    std::optional<double> doubleForPlot(CPTPlot& plot, uint64_t field, uint64_t idx) override {
        return value(plot.identifier(), field, idx);
    }

    std::optional<Value> numberForPlot(CPTPlot& plot, uint64_t field, uint64_t idx) override {
        if (auto v = value(plot.identifier(), field, idx); v && std::isfinite(*v))
            return Value(*v);
        return std::nullopt;
    }

    std::optional<std::shared_ptr<CPTFill>> barFillForBarPlot(CPTBarPlot& plot, uint64_t) override {
        return fillFor(plot.identifier().string());
    }

    std::optional<std::shared_ptr<CPTLineStyle>> barLineStyleForBarPlot(CPTBarPlot& plot, uint64_t idx) override {
        return lineStyleFor(plot.identifier().string(), idx);
    }

    static std::shared_ptr<CPTFill> fillFor(const std::string& name) {
        if (name == "barProportions1")
            return CPTFill::fillWithColor(CPTColor::colorWithCGColor(colorSample1));
        if (name == "barProportions2")
            return CPTFill::fillWithColor(CPTColor::colorWithCGColor(colorSample2));
        if (name == "barSample1")
            return CPTFill::fillWithColor(CPTColor::colorWithCGColor(colorSample1)->colorWithAlphaComponent(0.25));
        if (name == "barSample2")
            return CPTFill::fillWithColor(CPTColor::colorWithCGColor(colorSample2)->colorWithAlphaComponent(0.25));
        return CPTFill::fillWithColor(CPTColor::clearColor());
    }

    static std::shared_ptr<CPTLineStyle> lineStyleFor(const std::string& name, uint64_t idx) {
        if (name == "barProportions1" || name == "barProportions2" || name == "barSample1" || name == "barSample2")
            return lineOf(gfx::Color::black(), 1.0);
        return lineOf(idx == 0 ? colorSample1 : colorSample2, 2.0);
    }

  private:
    struct BoxPart {
        double tip, base;
    };
    static std::optional<BoxPart> boxPart(const std::string& name) {
        if (name == "topBox")
            return BoxPart{75, 50};
        if (name == "bottomBox")
            return BoxPart{50, 25};
        if (name == "topWhiskerTip")
            return BoxPart{100, 100};
        if (name == "bottomWhiskerTip")
            return BoxPart{0, 0};
        if (name == "topWhisker")
            return BoxPart{100, 75};
        if (name == "bottomWhisker")
            return BoxPart{25, 0};
        return std::nullopt;
    }

    HypothesisTestViewController& screen_;
};

HypothesisTestViewController::HypothesisTestViewController() : source_(std::make_shared<ChartSource>(*this)) {}

HypothesisTestViewController::~HypothesisTestViewController() = default;

CPTBarPlotDataSource& HypothesisTestViewController::chartSource() {
    return *source_;
}

// --- Choices

int64_t HypothesisTestViewController::leftType() const {
    auto left = analysis() ? analysis()->left() : nullptr;
    return left ? left->type().value_or(0) : 0;
}

int64_t HypothesisTestViewController::samples() const {
    return analysis() && analysis()->samples() == 2 ? 2 : 1;
}

bool HypothesisTestViewController::paired() const {
    return samples() == 2 && analysis()->isPaired();
}

bool HypothesisTestViewController::proportions() const {
    return analysis() && analysis()->distribution() == kProportionsDistribution;
}

bool HypothesisTestViewController::isPad() const {
    return traitCollection().idiom == ui::UserInterfaceIdiom::Pad;
}

bool HypothesisTestViewController::storedTestFits(const Analysis& analysis) {
    const auto stored = analysis.test();
    if (!stored || *stored < 0 || analysis.distribution() < 0)
        return false;
    const uint64_t samples = analysis.samples() == 2 ? 2 : 1;
    const bool paired = samples == 2 && analysis.isPaired();
    const auto valid = Model::validTestsForDistribution(uint64_t(analysis.distribution()), samples, paired);
    return std::find(valid.begin(), valid.end(), uint64_t(*stored)) != valid.end();
}

uint64_t HypothesisTestViewController::testForAnalysis(const Analysis& analysis) {
    if (storedTestFits(analysis))
        return uint64_t(*analysis.test());
    const uint64_t samples = analysis.samples() == 2 ? 2 : 1;
    const bool paired = samples == 2 && analysis.isPaired();
    return Model::testForDistribution(uint64_t(std::max<int64_t>(0, analysis.distribution())), samples, paired, 0);
}

std::string HypothesisTestViewController::typeLine(const Analysis& analysis) {
    const bool props = analysis.distribution() == kProportionsDistribution;
    std::string test;
    switch (testForAnalysis(analysis)) {
    case 0:
        test = tr("z-test");
        break;
    case 1:
        test = tr("t-test");
        break;
    case 2:
        test = tr("Exact binomial test");
        break;
    case 3:
        test = tr("Chi-squared test");
        break;
    case 4:
        test = tr("McNemar's test");
        break;
    default:
        return props ? tr("Hypothesis Test of Proportions") : tr("Hypothesis Test of Means");
    }
    return formatText(props ? tr("Hypothesis Test of Proportions: %@") : tr("Hypothesis Test of Means: %@"), {test});
}

std::string HypothesisTestViewController::titleLine(const Analysis& analysis) {
    const bool props = analysis.distribution() == kProportionsDistribution;
    auto left = analysis.left();
    auto right = analysis.samples() == 2 ? analysis.right() : nullptr;
    std::string names;
    if (left && right && left.get() != right.get())
        names = formatText(tr("%@ and %@"), {left->name(), right->name()});
    else if (left)
        names = left->name();
    if (names.empty())
        return props ? tr("Hypothesis Test of Proportions") : tr("Hypothesis Test of Means");
    return formatText(props ? tr("Hypothesis Test of Proportions: %@") : tr("Hypothesis Test of Means: %@"), {names});
}

std::string HypothesisTestViewController::testButtonTitle(const Analysis& analysis) {
    if (!storedTestFits(analysis))
        return tr("Determined by data");
    switch (*analysis.test()) {
    case 4:
        return tr("McNemar's test");
    case 3:
        return tr("Chi-squared test");
    case 2:
        return tr("Exact Binomial test");
    default:
        return tr("Determined by data");
    }
}

std::string HypothesisTestViewController::expectedText(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

std::optional<double> HypothesisTestViewController::expectedValue(const Analysis& analysis) {
    const auto text = analysis.expected();
    if (!text || text->empty())
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (error != std::errc() || end != text->data() + text->size())
        return std::nullopt;
    return value;
}

std::vector<std::string> HypothesisTestViewController::sortedLevels(std::vector<std::string> levels) {
    // UTF-8 bytes compare in code-point order.
    std::sort(levels.begin(), levels.end());
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    return levels;
}

// --- Views

void HypothesisTestViewController::loadView() {
    AnalysisDetailViewController::loadView();
    auto& root = view();
    const bool report = isForOutput();

    auto button = [&](const char* id, int tag) {
        auto b = std::make_shared<ui::Button>(Rect{0, 0, 100, 30});
        b->setIdentifier(id);
        b->setTag(tag);
        b->titleLabel().setLineBreakMode(gfx::LineBreakMode::TruncateMiddle);
        b->titleLabel().setTextAlignment(gfx::TextAlignment::Left);
        return b;
    };
    buttonLeft_ = button("buttonLeft", PickerPositionLeft);
    buttonRight_ = button("buttonRight", PickerPositionRight);
    buttonLevel1Left_ = button("buttonLevel1Left", 1);
    buttonLevel1Right_ = button("buttonLevel1Right", 2);
    buttonTest_ = button("buttonTest", 0);
    buttonWhereY_ = button("buttonWhereY", 0);

    segmentDistribution_ = std::make_shared<ui::SegmentedControl>(
        std::vector<std::string>{tr("Means (t-test)"), tr("Means"), tr("Proportions")}, Rect{0, 0, 300, 30});
    segmentDistribution_->setIdentifier("segmentDistribution");
    segmentSamples_ = std::make_shared<ui::SegmentedControl>(std::vector<std::string>{}, Rect{0, 0, 300, 30});
    segmentSamples_->setIdentifier("segmentSamples");
    segmentTails_ = std::make_shared<ui::SegmentedControl>(std::vector<std::string>{}, Rect{0, 0, 300, 30});
    segmentTails_->setIdentifier("segmentTails");
    fieldExpected_ = std::make_shared<ui::TextField>(Rect{0, 0, 100, 30});
    fieldExpected_->setIdentifier("fieldExpected");
    fieldExpected_->setBorderStyle(ui::TextBorderStyle::RoundedRect);

    const double controlText = isPad() ? 15 : 13;
    labelLeftVar_ = makeLabel("labelLeftVar", controlText);
    labelSamples_ = makeLabel("labelSamples", controlText);
    labelTails_ = makeLabel("labelTails", controlText);
    labelTest_ = makeLabel("labelTest", controlText);
    labelLevel1Left_ = makeLabel("labelLevel1Left", controlText);
    labelLevel1Right_ = makeLabel("labelLevel1Right", controlText);
    labelWhereY_ = makeLabel("labelWhereY", controlText);
    labelWhereY_->setLineBreakMode(gfx::LineBreakMode::TruncateTail);

    textViewResults_ = std::make_shared<ui::TextView>(Rect{0, 0, 300, 300});
    textViewResults_->setIdentifier("textViewResults");
    textViewResults_->setEditable(false);

    const double titleSize = report ? 11 : 15, legendSize = report ? 9 : 12;
    const char* graphIds[4] = {"viewGraph1", "viewGraph2", "viewGraph3", "viewGraph4"};
    const char* titleIds[4] = {"labelGraph1", "labelGraph2", "labelGraph3", "labelGraph4"};
    for (size_t i = 0; i < 4; ++i) {
        viewGraph_[i] = std::make_shared<CPTGraphHostingView>(Rect{0, 0, 200, 150});
        viewGraph_[i]->setIdentifier(graphIds[i]);
        labelGraph_[i] = makeLabel(titleIds[i], titleSize, true);
    }
    legendSample1_ = makeLabel("legendSample1", legendSize);
    legendSample2_ = makeLabel("legendSample2", legendSize);
    labelLegendBoxSample1_ = makeLabel("labelLegendBoxSample1", legendSize);
    labelLegendBoxSample2_ = makeLabel("labelLegendBoxSample2", legendSize);
    labelLegendDensitySample1_ = makeLabel("labelLegendDensitySample1", legendSize);
    labelLegendDensitySample2_ = makeLabel("labelLegendDensitySample2", legendSize);
    labelLegendDiffAlt_ = makeLabel("labelLegendDiffAlt", legendSize);
    labelLegendDiffNull_ = makeLabel("labelLegendDiffNull", legendSize);
    labelPDFSample1_ = makeLabel("labelPDFSample1", 14);
    labelPDFSample2_ = makeLabel("labelPDFSample2", 14);
    for (const auto& label : {labelPDFSample1_, labelPDFSample2_})
        label->setLineBreakMode(gfx::LineBreakMode::TruncateTail);

    // On screen everything below the frame's lines scrolls; the report, whose writer leaves scroll views
    // out, holds its views on the page directly.
    ui::View* parent = &root;
    if (!report) {
        scrollView_ = ResultsScrollView::addTo(
            root, Rect{0, contentTop(), root.bounds().width(), std::max(0.0, root.bounds().height() - contentTop())},
            "scrollView", [this] { layoutViews(); });
        parent = scrollView_.get();
        // The frame's "to value" line belongs with the choices.
        labelRightVar()->removeFromSuperview();
        labelRightVar()->setAutoresizingMask(0);
        labelRightVar()->setFont(gfx::Font::system(controlText));
        parent->addSubview(labelRightVar()->shared_from_this());
    } else {
        labelRightVar()->setHidden(true);
        labelWhereWithPrompt()->setHidden(true);
    }
    for (const auto& control : std::initializer_list<std::shared_ptr<ui::View>>{
             segmentDistribution_, labelLeftVar_, buttonLeft_, labelLevel1Left_, buttonLevel1Left_, labelSamples_,
             segmentSamples_, fieldExpected_, buttonRight_, labelLevel1Right_, buttonLevel1Right_, buttonWhereY_,
             labelWhereY_, labelTails_, segmentTails_, labelTest_, buttonTest_}) {
        control->setHidden(report);
        parent->addSubview(control);
    }
    parent->addSubview(textViewResults_);
    for (size_t i = 0; i < 4; ++i) {
        parent->addSubview(labelGraph_[i]);
        parent->addSubview(viewGraph_[i]);
    }
    for (const auto& label : {legendSample1_, legendSample2_, labelLegendBoxSample1_, labelLegendBoxSample2_,
                              labelLegendDensitySample1_, labelLegendDensitySample2_, labelLegendDiffAlt_,
                              labelLegendDiffNull_, labelPDFSample1_, labelPDFSample2_})
        parent->addSubview(label);
    labelPDFSample1_->setHidden(!report);
    labelPDFSample2_->setHidden(!report);
    layoutViews();
}

// Frames for the width there is: on a wide screen the choices two to a line and the text beside the four
// charts; on a narrow one everything in one column; on the report page the text beside the charts.
void HypothesisTestViewController::layoutViews() {
    const bool report = isForOutput();
    const double w = report ? view().bounds().width() : scrollView_->bounds().width();
    const double cw = std::max(100.0, w - 2 * kMargin);
    const bool wide = report || cw >= 600;
    double y = 8;

    if (!report) {
        const double labelWidth = wide ? 190 : cw, controlX = wide ? kMargin + 195 : kMargin;
        const double controlWidth = wide ? std::min(380.0, cw - 195) : cw;
        const double line = 32, gap = 8;
        // A label and its control: side by side when wide, else the label above.
        // A label and its control: side by side when wide, else the label above. A hidden control takes
        // no room.
        auto row = [&](ui::View* label, ui::View* control, double width) {
            if (control->isHidden())
                return;
            if (label)
                label->setFrame({kMargin, y, labelWidth, wide ? line : 20});
            if (!wide && label)
                y += 22;
            control->setFrame({controlX, y, std::min(width, controlWidth), line});
            y += line + gap;
        };
        segmentDistribution_->setFrame({kMargin, y, std::min(cw, 420.0), line});
        y += line + gap;
        row(labelLeftVar_.get(), buttonLeft_.get(), controlWidth);
        // The level controls, when shown, follow their variable.
        auto levels = [&](ui::Label& label, ui::Button& button) {
            if (button.isHidden())
                return;
            label.setFrame({kMargin, y, 110, line});
            button.setFrame({kMargin + 115, y, std::min(260.0, cw - 115), line});
            y += line + gap;
        };
        levels(*labelLevel1Left_, *buttonLevel1Left_);
        row(labelSamples_.get(), segmentSamples_.get(), controlWidth);
        // The expected value and the second sample share their line: one of them shows.
        const double rightY = y;
        row(labelRightVar(), fieldExpected_.get(), std::min(controlWidth, 220.0));
        if (fieldExpected_->isHidden()) {
            y = rightY;
            row(labelRightVar(), buttonRight_.get(), controlWidth);
        }
        levels(*labelLevel1Right_, *buttonLevel1Right_);
        if (!buttonWhereY_->isHidden()) {
            buttonWhereY_->setFrame({kMargin, y, 80, line});
            labelWhereY_->setFrame({kMargin + 85, y, cw - 85, line});
            y += line + gap;
        }
        row(labelTails_.get(), segmentTails_.get(), controlWidth);
        row(labelTest_.get(), buttonTest_.get(), std::min(controlWidth, 260.0));
        y += 6;
    } else {
        labelPDFSample1_->setFrame({kMargin, 62, cw, 18});
        labelPDFSample2_->setFrame({kMargin, 82, cw, 18});
        y = 106;
    }

    const double titleHeight = report ? 16 : 24, legendHeight = report ? 14 : 20;
    const double textWidth = wide ? (report ? 300 : 400) : cw;
    const double chartX = wide ? kMargin + textWidth + 12 : kMargin;
    const double chartWidth = wide ? cw - textWidth - 12 : cw;
    const double chartHeight = report ? 128 : (wide ? 200 : std::round(cw * 0.75));
    const double block = titleHeight + chartHeight + legendHeight + (report ? 6 : 14);
    double chartY = y;
    if (!wide) {
        textViewResults_->setFrame({kMargin, y, cw, 560});
        chartY = y + 560 + 16;
    } else {
        textViewResults_->setFrame({kMargin, y, textWidth, report ? 792 - y - 16 : 4 * block});
    }
    ui::Label* legends[4][2] = {{labelLegendBoxSample1_.get(), labelLegendBoxSample2_.get()},
                                {labelLegendDensitySample1_.get(), labelLegendDensitySample2_.get()},
                                {legendSample1_.get(), legendSample2_.get()},
                                {labelLegendDiffAlt_.get(), labelLegendDiffNull_.get()}};
    for (size_t i = 0; i < 4; ++i) {
        labelGraph_[i]->setFrame({chartX, chartY, chartWidth, titleHeight});
        viewGraph_[i]->setFrame({chartX, chartY + titleHeight, chartWidth, chartHeight});
        const double half = std::floor(chartWidth / 2);
        legends[i][0]->setFrame({chartX, chartY + titleHeight + chartHeight, half, legendHeight});
        legends[i][1]->setFrame({chartX + half, chartY + titleHeight + chartHeight, chartWidth - half, legendHeight});
        chartY += block;
    }
    if (scrollView_) {
        const double needed = std::max(chartY, textViewResults_->frame().maxY()) + 20;
        scrollView_->setContentSize({w, std::max(needed, isPad() ? 1300.0 : 1600.0)});
    }
}

void HypothesisTestViewController::viewDidLoad() {
    AnalysisDetailViewController::viewDidLoad();
    digits_ = 7;
    binomialTests_ = {kDeterminedByData, 2, 3, 4};
    sizeBody_ = 14;
    labelSamples_->setText(tr("on"));
    labelTails_->setText(tr("Alternative hypothesis is"));
    labelTest_->setText(tr("Test:"));
    labelLevel1Left_->setText(tr("proportion of"));
    labelLevel1Right_->setText(tr("proportion of"));
    buttonWhereY_->setTitle(tr("Filters:"));
    for (const char* title : {"One tail less", "Two tails", "One tail greater"})
        segmentTails_->insertSegmentWithTitle(tr(title), segmentTails_->numberOfSegments());
    for (const char* title : {"One sample", "Two samples", "Paired samples"})
        segmentSamples_->insertSegmentWithTitle(tr(title), segmentSamples_->numberOfSegments());
    for (auto* label : {legendSample1_.get(), labelLegendBoxSample1_.get(), labelLegendDensitySample1_.get()})
        label->setTextColor(colorSample1);
    for (auto* label : {legendSample2_.get(), labelLegendBoxSample2_.get(), labelLegendDensitySample2_.get()})
        label->setTextColor(colorSample2);
    labelLegendDiffAlt_->setTextColor(colorTheoretical);
    labelLegendDiffNull_->setTextColor(colorActual);

    for (auto* b : {buttonLeft_.get(), buttonRight_.get()})
        b->addTarget(ui::TouchUpInside, [this](ui::Control& sender) { chooseVariable(sender); });
    for (auto* b : {buttonLevel1Left_.get(), buttonLevel1Right_.get()})
        b->addTarget(ui::TouchUpInside, [this](ui::Control& sender) { chooseLevel1(sender); });
    buttonTest_->addTarget(ui::TouchUpInside, [this](ui::Control& sender) { chooseTest(sender); });
    buttonWhereY_->addTarget(ui::TouchUpInside, [this](ui::Control& sender) { setWhereY(sender); });
    segmentSamples_->addTarget(ui::ValueChanged, [this](ui::Control&) {
        chooseSamples(segmentSamples_->selectedSegmentIndex());
    });
    segmentDistribution_->addTarget(ui::ValueChanged, [this](ui::Control&) {
        chooseDistribution(segmentDistribution_->selectedSegmentIndex());
    });
    segmentTails_->addTarget(ui::ValueChanged,
                             [this](ui::Control&) { chooseTails(segmentTails_->selectedSegmentIndex()); });
    fieldExpected_->setDelegate(this);
    fieldExpected_->addTarget(ui::EditingDidEnd, [this](ui::Control&) { enterExpected(); });

    if (analysis()) {
        if (auto expected = expectedValue(*analysis()))
            fieldExpected_->setText(leftType() == kDateType ? Model::stringFromDateNumber(*expected)
                                                            : expectedText(*expected));
    }
    buildGraphs();
    applyLegends();
}

void HypothesisTestViewController::buildGraphs() {
    const bool report = isForOutput();
    auto makeGraph = [&](CPTGraphHostingView& host) {
        // The boxes and bars have no labels under their axis: their legend follows the axis closely.
        const bool boxes = &host == viewGraph_[0].get();
        auto graph = fitparts::makeGraph(host.bounds().size, {.top = report ? 6.0 : 8.0,
                                                              .right = report ? 10.0 : 14.0,
                                                              .bottom = boxes ? (report ? 4.0 : 6.0)
                                                                              : (report ? 20.0 : 28.0),
                                                              .left = report ? 44.0 : 62.0});
        fitparts::useBlackAxes(*graph, report ? 7 : 10, std::nullopt);
        for (const auto& axis : {axesOf(*graph).xAxis(), axesOf(*graph).yAxis()})
            axis->setPreferredNumberOfMajorTicks(5);
        axesOf(*graph).yAxis()->setTitleOffset(40.0);
        host.setHostedGraph(graph);
        return graph;
    };
    graph_ = makeGraph(*viewGraph_[0]);
    graphDensity_ = makeGraph(*viewGraph_[1]);
    // The boxes' places and the densities' heights (drawn apart, a unit between them) carry no meaning
    // of their own: those axes are drawn without labels.
    for (const auto& axis : {axesOf(*graph_).xAxis(), axesOf(*graphDensity_).yAxis()}) {
        axis->setLabelingPolicy(CPTAxisLabelingPolicyNone);
        axis->setMajorTickLocations({});
        axis->setAxisLabels({});
    }
    graphTheoretical_ = makeGraph(*viewGraph_[2]);
    graphTheoreticalDiff_ = makeGraph(*viewGraph_[3]);

    auto bars = [&](const char* id, double width) { return makeBars(Value(id), width, false, source_); };
    boxPlots_ = makeBoxPlots(source_);
    proportionPlots_ = makeProportionBars(source_);
    expectedBox_ = makeCurve(Value("expectedBox"), colorSample2, source_);
    expectedDensity_ = makeCurve(Value("expectedDensity"), colorSample2, source_);
    density1_ = makeCurve(Value(int64_t(1)), colorSample1, source_);
    density0_ = makeCurve(Value(int64_t(0)), colorSample2, source_);
    theoreticalPlots_ = {bars("barSample1", 0.01), bars("barSample2", 0.01),
                         makeCurve(Value("sample1"), colorSample1, source_),
                         makeCurve(Value("sample2"), colorSample2, source_)};
    diffPlots_ = {makeCurve(Value("diff1"), colorTheoretical, source_),
                  makeCurve(Value("diff2"), colorActual, source_)};
}

std::shared_ptr<CPTBarPlot> HypothesisTestViewController::makeBars(const Value& id, double width, bool basesVary,
                                                                   const std::shared_ptr<CPTPlotDataSource>& source) {
    auto plot = std::make_shared<CPTBarPlot>();
    plot->setIdentifier(id);
    plot->setBarWidth(Value(width));
    plot->setBarBasesVary(basesVary);
    // What a source that gives no fills and outlines of its own draws.
    plot->setFill(ChartSource::fillFor(id.string()));
    plot->setLineStyle(ChartSource::lineStyleFor(id.string(), 0));
    plot->setDataSource(source);
    return plot;
}

std::vector<std::shared_ptr<CPTPlot>>
HypothesisTestViewController::makeBoxPlots(const std::shared_ptr<CPTPlotDataSource>& source) {
    // A box is two stacked bars meeting at the median; a whisker a thin bar out to the extreme, ended by a
    // bar of no length whose outline draws the end mark.
    std::vector<std::shared_ptr<CPTPlot>> plots;
    for (const auto& [id, width] : {std::pair{"topBox", 0.4}, std::pair{"bottomBox", 0.4}, std::pair{"topWhisker", 0.002},
                                    std::pair{"bottomWhisker", 0.002}, std::pair{"topWhiskerTip", 0.2},
                                    std::pair{"bottomWhiskerTip", 0.2}})
        plots.push_back(makeBars(Value(id), width, true, source));
    return plots;
}

std::vector<std::shared_ptr<CPTPlot>>
HypothesisTestViewController::makeProportionBars(const std::shared_ptr<CPTPlotDataSource>& source) {
    return {makeBars(Value("barProportions1"), 0.2, false, source), makeBars(Value("barProportions2"), 0.2, false, source)};
}

std::shared_ptr<CPTScatterPlot> HypothesisTestViewController::makeCurve(const Value& id, const gfx::Color& color,
                                                                        const std::shared_ptr<CPTPlotDataSource>& source) {
    auto plot = std::make_shared<CPTScatterPlot>();
    plot->setIdentifier(id);
    plot->setDataLineStyle(lineOf(color, 2.0));
    plot->setPlotSymbol(nullptr);
    plot->setInterpolation(CPTScatterPlotInterpolationLinear);
    plot->setDataSource(source);
    return plot;
}

void HypothesisTestViewController::applyLegends() {
    const auto& result = graphData().result;
    labelGraph_[0]->setText(proportions() ? tr("Bar Plot") : tr("Box Plot"));
    labelGraph_[1]->setText(tr("Kernal Density Plot"));
    std::string stat = result ? result->statName : Model::statForTest(analysis() ? testForAnalysis(*analysis()) : 1);
    labelGraph_[2]->setText(formatText(tr("%@ Distribution"), {stat == "!" ? tr("Binomial") : stat}));
    labelGraph_[3]->setText(tr("Difference"));
    auto legend = [](const std::string& text) { return formatText(tr("—%@"), {text}); };
    std::string first = tr("Sample 1"), second = tr("Sample 2"), alternative = tr("Sample 1 - Sample 2");
    if (samples() != 2) {
        first = tr("Sample");
        second = tr("Expected");
        alternative = tr("Sample - Expected");
    } else if (paired() && !proportions()) {
        first = tr("Sample 1 - Sample 2");
        second = tr("Expected");
    }
    for (auto* label : {legendSample1_.get(), labelLegendBoxSample1_.get(), labelLegendDensitySample1_.get()})
        label->setText(legend(first));
    for (auto* label : {legendSample2_.get(), labelLegendBoxSample2_.get(), labelLegendDensitySample2_.get()})
        label->setText(legend(second));
    labelLegendDiffAlt_->setText(legend(alternative));
    labelLegendDiffNull_->setText(legend(tr("Null")));
}

// --- Display

void HypothesisTestViewController::displayInitial() {
    AnalysisDetailViewController::displayInitial();
    if (!analysis())
        return;
    Analysis& a = *analysis();
    auto left = a.left();
    auto right = a.right();
    buttonLeft_->setTitle(left ? left->name() : tr("Choose Variable..."));
    buttonRight_->setTitle(right ? right->name() : tr("Choose Variable..."));
    const bool two = a.samples() == 2;
    if (!two) {
        segmentSamples_->setSelectedSegmentIndex(0);
        labelLeftVar_->setText(tr("compare sample"));
        labelRightVar()->setText(tr("to value"));
    } else {
        segmentSamples_->setSelectedSegmentIndex(a.isPaired() ? 2 : 1);
        labelLeftVar_->setText(tr("compare sample 1"));
        labelRightVar()->setText(tr("to sample 2"));
    }
    const int64_t distribution = a.distribution();
    if (distribution >= 0 && distribution <= 2)
        segmentDistribution_->setSelectedSegmentIndex(distribution);
    labelType()->setText(typeLine(a));
    const int64_t tails = a.tails();
    segmentTails_->setSelectedSegmentIndex(tails == 2 ? 2 : tails == 1 ? 0 : 1);
    const auto wheres2 = a.wheres2();
    labelWhereY_->setText(wheres2.empty() || !model() ? tr("No filters") : model()->stringForWhereClauses(wheres2));

    const bool props = distribution == 2;
    fieldExpected_->setHidden(isForOutput() || two);
    buttonRight_->setHidden(isForOutput() || !two);
    // Levels are a matter of proportions only; the list of tests too, as every test it offers is one of
    // proportions.
    labelLevel1Left_->setHidden(isForOutput() || !props);
    buttonLevel1Left_->setHidden(isForOutput() || !props);
    labelLevel1Right_->setHidden(isForOutput() || !two || !props);
    buttonLevel1Right_->setHidden(isForOutput() || !two || !props);
    buttonWhereY_->setHidden(isForOutput() || !two || a.isPaired());
    labelWhereY_->setHidden(isForOutput() || !two || a.isPaired());
    labelTest_->setHidden(isForOutput() || !props);
    buttonTest_->setHidden(isForOutput() || !props);
    buttonTest_->setTitle(testButtonTitle(a));
    // The lines of the controls shown.
    if (!isForOutput())
        layoutViews();

    setReportLabels();
    applyLegends();
}

// The report's title and sample lines; the success levels they name may come from a run's level set-up.
void HypothesisTestViewController::setReportLabels() {
    Analysis& a = *analysis();
    auto left = a.left();
    auto right = a.right();
    const bool two = a.samples() == 2;
    const bool props = a.distribution() == kProportionsDistribution;
    const auto wheres2 = a.wheres2();
    const std::string where1 = model() ? model()->stringForWhereAnalysis(a) : std::string();
    const std::string filters1 = formatText(tr("Filters: %@"), {where1});
    const std::string filters2 =
        formatText(tr("Filters: %@"), {model() ? model()->stringForWhereClauses(wheres2) : std::string()});
    const std::string leftName = left ? left->name() : std::string();
    const std::string rightName = right ? right->name() : std::string();
    labelSingleTitle()->setText(titleLine(a));
    if (!props) {
        labelPDFSample1_->setText(formatText(tr("Sample 1: %@, %@"), {leftName, filters1}));
    } else {
        labelPDFSample1_->setText(
            formatText(tr("Sample 1: Pr(%@ = %@), %@"), {leftName, a.leftLevel1().value_or(""), filters1}));
    }
    const std::string filtersOf2 = a.isPaired() ? filters1 : filters2;
    if (!two) {
        const auto expected = expectedValue(a);
        labelPDFSample2_->setText(formatText(
            tr("Expected value: %@"),
            {expected ? Model::stringFromNumber(*expected, unsigned(leftType()), unsigned(digits_), 0) : ""}));
    } else if (!props) {
        labelPDFSample2_->setText(formatText(tr("Sample 2: %@, %@"), {rightName, filtersOf2}));
    } else {
        labelPDFSample2_->setText(
            formatText(tr("Sample 2: Pr(%@ = %@), %@"), {rightName, a.rightLevel1().value_or(""), filtersOf2}));
    }
}

void HypothesisTestViewController::displayPreRun() {
    if (!analysis())
        return;
    buttonLevel1Left_->setTitle(analysis()->leftLevel1().value_or(""));
    if (analysis()->samples() == 2)
        buttonLevel1Right_->setTitle(analysis()->rightLevel1().value_or(""));
    // The report names the levels the run counts.
    setReportLabels();
}

void HypothesisTestViewController::showMessage(const std::string& text) {
    if (textViewResults_)
        textViewResults_->setText(text);
}

bool HypothesisTestViewController::isValid(AnalysisError& error) const {
    auto fail = [&](const char* message) {
        error = {errorDomain, -1, tr(message)};
        return false;
    };
    if (!analysis() || !analysis()->left())
        return fail("Choose a variable to sample.");
    const Analysis& a = *analysis();
    if (a.samples() == 2) {
        if (!a.right())
            return fail("Please define a second sample to perform a two sample test.");
        if (a.left()->type().value_or(0) == a.right()->type().value_or(0) || a.distribution() == 2)
            return true;
        return fail("Samples must be of same variable type.");
    }
    const std::string& text = fieldExpected_->text();
    if (text.empty())
        return fail("Enter an expected value.");
    const int64_t type = a.left()->type().value_or(0);
    if (type == kDateType) {
        if (model() && model()->dateForString(text))
            return true;
        return fail("Sample is a date variable. Expected value must be a date.");
    }
    const auto number = model() ? model()->decimalNumberForString(text) : std::nullopt;
    if (type == kNumericType) {
        if (number)
            return true;
        return fail("Sample is a numeric variable. Expected value must be numeric.");
    }
    if (number && *number >= 0 && *number <= 1)
        return true;
    return fail("Sample is a categorical variable. Expected value must be a proportion between 0 and 1.");
}

// --- Run

HypothesisTestViewController::Computation HypothesisTestViewController::computation() const {
    std::weak_ptr<const ui::ViewController> weak = weak_from_this();
    const std::vector<std::string> knownLeft = levelsLeft_, knownRight = levelsRight_;
    return [weak, knownLeft, knownRight](AnalysisRunner::Run& run, Analysis& analysis,
                                         const std::optional<std::vector<int64_t>>& rows, bool valid) {
        Results results;
        Model& model = run.model();
        const bool props = analysis.distribution() == kProportionsDistribution;
        const bool two = analysis.samples() == 2;
        const bool isPaired = two && analysis.isPaired();
        auto left = analysis.left();
        auto right = two ? analysis.right() : nullptr;

        std::optional<std::string> levelLeft, levelRight;
        std::optional<std::vector<std::string>> listLeft, listRight;
        if (props) {
            // A side without a column, or whose column has no level, is left as it is.
            auto setUp = [&](const std::shared_ptr<Column>& column, const std::vector<std::string>& known,
                             const std::optional<std::string>& stored,
                             std::optional<std::vector<std::string>>& list) -> std::optional<std::string> {
                if (!column)
                    return std::nullopt;
                list = known.empty() ? sortedLevels(model.distinctValuesForColumn(column.get()).value_or(
                                           std::vector<std::string>{}))
                                     : known;
                if (list->empty())
                    return std::nullopt;
                if (stored && contains(*list, *stored))
                    return stored;
                return list->back();
            };
            levelLeft = setUp(left, knownLeft, analysis.leftLevel1(), listLeft);
            if (two)
                levelRight = setUp(right, knownRight, analysis.rightLevel1(), listRight);
            run.onMain([&] {
                auto self = std::const_pointer_cast<HypothesisTestViewController>(
                    std::dynamic_pointer_cast<const HypothesisTestViewController>(weak.lock()));
                if (!self || !self->analysis())
                    return;
                if (listLeft)
                    self->levelsLeft_ = *listLeft;
                if (listRight)
                    self->levelsRight_ = *listRight;
                // Stored, and saved, only when they change: a save writes the workspace file.
                bool changed = false;
                if (levelLeft && self->analysis()->leftLevel1() != levelLeft) {
                    self->analysis()->setLeftLevel1(levelLeft);
                    changed = true;
                }
                if (levelRight && self->analysis()->rightLevel1() != levelRight) {
                    self->analysis()->setRightLevel1(levelRight);
                    changed = true;
                }
                if (self->model() && changed)
                    self->model()->saveContext();
                self->displayPreRun();
            });
        }
        if (!valid || !left || (two && !right))
            return results;

        const uint64_t test = testForAnalysis(analysis);
        const auto distribution = uint64_t(std::max<int64_t>(0, analysis.distribution()));
        const auto tails = uint64_t(std::max<int64_t>(0, analysis.tails()));
        // The success level is 1 and every other level of the list 0: a level left out of the codes would
        // take a code of its own and count as missing.
        auto codes = [](const std::optional<std::string>& success, const std::optional<std::vector<std::string>>& all) {
            FactorCodes levels;
            for (const auto& level : all.value_or(std::vector<std::string>{}))
                levels[level] = 0;
            if (success)
                levels[*success] = 1;
            return levels;
        };
        const FactorCodes levelsX = codes(levelLeft, listLeft), levelsY = codes(levelRight, listRight);
        const FactorCodes* px = props ? &levelsX : nullptr;
        const FactorCodes* py = props ? &levelsY : nullptr;
        if (!two) {
            results.graphData.result = model.hypothesisTestForColumn(*left, expectedValue(analysis), rows,
                                                                     distribution, tails, test, px);
        } else if (isPaired) {
            results.graphData.result =
                model.hypothesisTestForColumnWithPairedColumn(*left, *right, rows, distribution, tails, test, px, py);
        } else {
            const auto rows2 = model.rowsWhereClauses(analysis.wheres2());
            results.graphData.result =
                model.hypothesisTestForColumn(*left, *right, rows, rows2, distribution, tails, test, px, py);
        }
        return results;
    };
}

// --- Result text

std::vector<std::string> HypothesisTestViewController::makeStatements() const {
    if (!analysis())
        return {};
    const Analysis& a = *analysis();
    const int64_t distribution = a.distribution(), tails = a.tails();
    if (distribution < 0 || distribution > 2 || tails < 0 || tails > 2)
        return {};
    const bool props = distribution == 2;
    int kind = 0;
    if (samples() != 2)
        kind = props ? 1 : 0;
    else if (props)
        kind = 3;
    else
        kind = paired() ? 4 : 2;
    std::string first, second;
    if (kind <= 1) {
        auto left = a.left();
        first = left ? left->name() : std::string();
        const auto expected = expectedValue(a);
        second = expected ? Model::stringFromNumber(*expected, unsigned(leftType()), unsigned(digits_), 0) : "";
    } else {
        first = tr("Sample 1");
        second = tr("Sample 2");
    }
    std::vector<std::string> out;
    for (const char* format : kStatements[kind][tails])
        out.push_back(formatText(tr(format), {first, second, first, second}));
    return out;
}

std::vector<std::vector<std::string>>
HypothesisTestViewController::makeDataTable(const HypothesisTestResult& r) const {
    const auto type = unsigned(leftType());
    const auto sig = unsigned(digits_);
    auto count = [](const std::optional<uint64_t>& n) { return std::to_string(n.value_or(0)); };
    auto difference = [&](const std::optional<double>& v) {
        return Model::stringFromDifferenceNumber(valueOf(v), type, sig);
    };
    const bool props = proportions();
    const double sdY = r.sdY.value_or(0), sdX = valueOf(r.sdX);
    const double timeScale = std::max(std::fabs(valueOf(r.diff)), std::sqrt(sdX * sdX + sdY * sdY));
    auto mean = [&](const std::optional<double>& v) {
        return props ? Model::stringFromNumber(valueOf(v), unsigned(kNumericType), sig, 0)
                     : Model::stringFromNumber(valueOf(v), type, sig, timeScale);
    };
    if (r.shape == HypothesisTestResult::Shape::PairedProportions) {
        const auto& a = *analysis();
        const std::string otherRight = otherLevel(levelsRight_, a.rightLevel1());
        const std::string otherLeft = otherLevel(levelsLeft_, a.leftLevel1());
        auto n = [](const std::optional<int64_t>& v) { return std::to_string(v.value_or(0)); };
        return {{"", formatText(tr("Sample 2: %@"), {otherRight}),
                 formatText(tr("Sample 2: %@"), {a.rightLevel1().value_or("")})},
                {formatText(tr("Sample 1: %@"), {otherLeft}), n(r.x0y0), n(r.x0y1)},
                {formatText(tr("Sample 1: %@"), {a.leftLevel1().value_or("")}), n(r.x1y0), n(r.x1y1)}};
    }
    if (samples() != 2)
        return {{tr("Sample"), tr("Sample")},
                {tr("Obs."), count(r.obsX)},
                {props ? tr("Proportion") : tr("Mean"), mean(r.meanX)},
                {tr("Std Err"), difference(r.seX)}};
    if (paired())
        return {{tr("Sample"), tr("Sample 1 - Sample 2")},
                {tr("Obs."), count(r.obsX)},
                {tr("Mean"), difference(r.meanX)},
                {tr("Std Err"), difference(r.seX)}};
    const std::string diff = props ? Model::stringFromNumber(valueOf(r.diff), unsigned(kNumericType), sig, 0)
                                   : difference(r.diff);
    return {{tr("Sample"), tr("Sample 1"), tr("Sample 2"), tr("Diff")},
            {tr("Obs."), count(r.obsX), count(r.obsY), ""},
            {props ? tr("Proportion") : tr("Mean"), mean(r.meanX), mean(r.meanY), diff},
            {tr("Std Err"), difference(r.seX), difference(r.seY), difference(r.seDiff)}};
}

gfx::RichText HypothesisTestViewController::resultText() {
    const HypothesisTestResult& r = *graphData().result;
    gfx::ParagraphStyle body;
    body.defaultTabInterval = 100;
    body.firstLineHeadIndent = 10;
    body.headIndent = 10;
    for (int i = 1; i <= 12; ++i)
        body.tabStops.push_back({100.0 * i, gfx::TextAlignment::Left});
    gfx::ParagraphStyle heading;
    heading.spacingAfter = 2;
    heading.spacingBefore = 10;
    gfx::TextAttributes plain;
    plain.family = gfx::Font::system(sizeBody_).name();
    plain.size = sizeBody_;
    gfx::TextAttributes bold = plain;
    bold.bold = true;

    gfx::RichText text;
    auto headingLine = [&](const std::string& line) {
        text.setParagraphStyle(heading);
        text.append(line + "\n", bold);
    };
    auto bodyLine = [&](const std::string& line) {
        text.setParagraphStyle(body);
        text.append(line + "\n", plain);
    };
    headingLine(tr("Hypothesis Statement"));
    for (const auto& statement : statements_)
        bodyLine(statement);
    headingLine(r.testName.value_or(""));
    bodyLine(tr("Significance level to reject the null hypothesis: 0.05"));
    headingLine(tr("Test statistics"));

    gfx::TableBlock table;
    table.rows = dataTable_;
    table.headerRows = 1;
    table.headerColumns = 1;
    // At least 300 points wide, and wide enough that no number breaks.
    table.width = std::max(300.0, tableWidth(dataTable_, sizeBody_, table.cellPadding));
    table.borderWidth = 1;
    table.headerBackground = gfx::Color{1, 1, 0, 1};
    table.headerAlignment = gfx::TextAlignment::Center;
    table.attributes = plain;
    table.attributes.family = "Helvetica";
    table.headerAttributes = table.attributes;
    table.headerAttributes.bold = true;
    size_t columns = 0;
    for (const auto& row : dataTable_)
        columns = std::max(columns, row.size());
    table.columnAlignments.assign(columns, gfx::TextAlignment::Right);
    text.setParagraphStyle(body);
    text.appendTable(table);
    bodyLine("");
    bodyLine(statisticLine_);
    headingLine(decision_);
    if (untestable_) {
        bodyLine(tr("Without a test statistic there is no p-value to compare with the significance criteria (0.05)."));
        return text;
    }
    const std::string p = Model::stringFromPNumber(r.p);
    bodyLine(r.p <= 0.05
                 ? formatText(tr("p-value (%@) ≤ significance criteria (0.05). We conclude that the alternative "
                                 "hypothis is true at the 95%% confidence level."),
                              {p})
                 : formatText(tr("p-value (%@) > significance criteria (0.05). We conclude that not enough "
                                 "evidence is available to reject the null hypothesis at the 95%% confidence "
                                 "level."),
                              {p}));
    return text;
}

std::optional<std::string> HypothesisTestViewController::untestableReason(const HypothesisTestResult& r) {
    // The exact test has no statistic; it needs observations only.
    const bool statistic = r.statName != "!";
    if (!std::isnan(r.p) && (!statistic || std::isfinite(r.t)))
        return std::nullopt;
    if (r.shape == HypothesisTestResult::Shape::PairedProportions)
        return tr("no pair of values differs in its outcome, so there is nothing to compare.");
    const bool two = r.shape == HypothesisTestResult::Shape::TwoSample;
    const uint64_t fewest = two ? std::min(r.obsX.value_or(0), r.obsY.value_or(0)) : r.obsX.value_or(0);
    if (fewest == 0)
        return two ? tr("a sample has no observations.") : tr("the sample has no observations.");
    const double se = two ? r.seDiff.value_or(NAN) : r.seX.value_or(NAN);
    if (se == 0)
        return two ? tr("the values of both samples are constant, so the standard error is 0 and the test statistic "
                        "cannot be formed.")
                   : tr("the values of the sample are constant, so the standard error is 0 and the test statistic "
                        "cannot be formed.");
    if (fewest < 2)
        return two ? tr("a sample has a single observation, too few to estimate its spread.")
                   : tr("the sample has a single observation, too few to estimate its spread.");
    return tr("the test statistic cannot be formed from these data.");
}

void HypothesisTestViewController::displayFinal() {
    applyLegends();
    const auto& stored = graphData().result;
    if (!stored || !analysis()) {
        // Nothing computed: the message stays.
        return;
    }
    const HypothesisTestResult& r = *stored;
    statements_ = makeStatements();
    dataTable_ = makeDataTable(r);
    untestable_ = untestableReason(r);
    if (untestable_)
        statisticLine_ = formatText(tr("The test cannot be carried out: %@"), {*untestable_});
    else if (r.statName == "!")
        statisticLine_ = Model::stringFromPNumber(r.p);
    else if (r.statName == "Z")
        // A z-test's statistic follows the standard normal distribution: it has no degrees of freedom.
        statisticLine_ = formatText(tr("%@ = %@, %@"), {r.statName, Model::stringFromNumber(r.t, unsigned(digits_)),
                                                        Model::stringFromPNumber(r.p)});
    else
        statisticLine_ = formatText(tr("%@ = %@, degrees of freedom = %@, %@"),
                                    {r.statName, Model::stringFromNumber(r.t, unsigned(digits_)),
                                     Model::stringFromNumber(r.df, unsigned(digits_)), Model::stringFromPNumber(r.p)});
    if (untestable_)
        decision_ = tr("No decision");
    else
        decision_ = r.p <= 0.05 ? tr("Reject the null hypothesis") : tr("Fail to reject the null hypothesis");
    textViewResults_->setAttributedText(resultText());
    showCharts();
}

// --- Charts

void HypothesisTestViewController::setPlots() {
    auto place = [](CPTXYGraph& graph, const std::vector<std::shared_ptr<CPTPlot>>& plots) {
        for (const auto& plot : graph.allPlots())
            graph.removePlot(plot);
        for (const auto& plot : plots)
            graph.addPlot(plot);
    };
    const bool one = samples() != 2;
    std::vector<std::shared_ptr<CPTPlot>> first = proportions() ? proportionPlots_ : boxPlots_;
    if (one && !proportions())
        first.push_back(expectedBox_);
    place(*graph_, first);
    std::vector<std::shared_ptr<CPTPlot>> densities{density1_};
    if (graphData().result && graphData().result->densityY)
        densities.push_back(density0_);
    if (one)
        densities.push_back(expectedDensity_);
    place(*graphDensity_, densities);
    place(*graphTheoretical_, theoreticalPlots_);
    place(*graphTheoreticalDiff_, diffPlots_);
}

void HypothesisTestViewController::showCharts() {
    const HypothesisTestResult& r = *graphData().result;
    const bool one = samples() != 2;
    const double expected = one ? valueOf(expectedValue(*analysis())) : 0.0;
    const bool props = proportions();

    // Where the sample curves and the difference curves are worth drawing: four standard errors around
    // both centres.
    auto span = [](double c1, double s1, double c2, double s2) {
        double low = std::min(c1 - 4 * s1, c2 - 4 * s2), high = std::max(c1 + 4 * s1, c2 + 4 * s2);
        if (!std::isfinite(low) || !std::isfinite(high)) {
            low = std::isfinite(c1) ? c1 : 0;
            high = low;
        }
        const ChartRange range = chartRangeOfValues(low, high);
        return std::pair{range.location, range.location + range.length};
    };
    const double mX = valueOf(r.meanX), seX = valueOf(r.seX);
    const double c2 = one ? expected : (paired() ? 0.0 : valueOf(r.meanY));
    const double s2 = one || paired() ? seX : valueOf(r.seY);
    resolutionX_ = resolutionY_ = 0;
    differenceInDays_ = leftType() == kDateType;
    if (r.shape == HypothesisTestResult::Shape::PairedProportions) {
        minTheoretical_ = minTheoreticalDiff_ = 0;
        maxTheoretical_ = maxTheoreticalDiff_ = 1;
    } else {
        std::tie(minTheoretical_, maxTheoretical_) = span(mX, seX, c2, s2);
        std::tie(minTheoreticalDiff_, maxTheoreticalDiff_) = span(valueOf(r.diff), valueOf(r.seDiff), 0, valueOf(r.seDiff));
    }
    if (props && r.statName == "!" && r.obsX && *r.obsX > 0) {
        // The exact test's distribution is one of whole counts: a bar for each count in the range, when
        // they are few enough to see.
        const double n = double(*r.obsX);
        const double first = std::floor(std::max(0.0, minTheoretical_) * n);
        const double last = std::ceil(std::min(1.0, maxTheoretical_) * n);
        const double bars = last - first + 1;
        if (bars >= 1 && bars <= 100) {
            minTheoretical_ = first / n;
            maxTheoretical_ = (last + 1) / n;
            resolutionX_ = resolutionY_ = uint64_t(bars);
            for (size_t i = 0; i < 2; ++i)
                std::static_pointer_cast<CPTBarPlot>(theoreticalPlots_[i])->setBarWidth(Value(0.8 / n));
        }
    }
    setPlots();

    // Every graph shows all of its records: the ranges are the extent of what the source gives, widened a
    // little. The expected-value marks run across their graph, so only their position counts.
    if (!axisLabels_ || axisLabelsLocale_ != foundation::localeGeneration()) {
        axisLabels_ = significantDigits(4);
        axisLabelsLocale_ = foundation::localeGeneration();
    }
    const auto& labels = axisLabels_;
    auto fit = [&](CPTXYGraph& graph, bool barsOnX, const std::vector<double>& extraX, const std::vector<double>& extraY,
                   std::optional<std::pair<double, double>> fixedY) {
        double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
        auto addX = [&](double v, double half) {
            if (std::isfinite(v)) {
                x0 = std::min(x0, v - half);
                x1 = std::max(x1, v + half);
            }
        };
        auto addY = [&](double v) {
            if (std::isfinite(v)) {
                y0 = std::min(y0, v);
                y1 = std::max(y1, v);
            }
        };
        for (const auto& plot : graph.allPlots()) {
            const Value& id = plot->identifier();
            if (!id.isNumber() && (id.string() == "expectedBox" || id.string() == "expectedDensity"))
                continue;
            double half = 0;
            if (auto bar = std::dynamic_pointer_cast<CPTBarPlot>(plot); bar && barsOnX)
                half = bar->barWidth().toDouble() / 2;
            const uint64_t n = source_->records(id);
            for (uint64_t i = 0; i < n; ++i) {
                addX(source_->value(id, 0, i).value_or(NAN), half);
                addY(source_->value(id, 1, i).value_or(NAN));
                if (std::dynamic_pointer_cast<CPTBarPlot>(plot)) {
                    // A bar reaches down to its base (or to zero).
                    auto base = source_->value(id, 2, i);
                    addY(base ? *base : 0.0);
                }
            }
        }
        for (double v : extraX)
            addX(v, 0);
        for (double v : extraY)
            addY(v);
        ChartRange xr = std::isfinite(x0) ? chartRangeOfValues(x0, x1) : chartRange(0, 1);
        ChartRange yr = std::isfinite(y0) ? chartRangeOfValues(y0, y1) : chartRange(0, 1);
        if (fixedY)
            yr = {fixedY->first, fixedY->second - fixedY->first};
        auto& space = spaceOf(graph);
        space.setXRange(range(xr.location - 0.05 * xr.length, xr.length * 1.1));
        space.setYRange(range(yr.location - 0.05 * yr.length, yr.length * 1.1));
        auto& axes = axesOf(graph);
        axes.xAxis()->setOrthogonalPosition(space.yRange()->location());
        axes.yAxis()->setOrthogonalPosition(space.xRange()->location());
        axes.xAxis()->setLabelFormatter(labels);
        axes.yAxis()->setLabelFormatter(labels);
        return std::pair{space.xRange()->lengthDouble(), space.yRange()->lengthDouble()};
    };
    const bool dates = leftType() == kDateType && !props;
    for (const auto& g : {graph_, graphDensity_, graphTheoretical_, graphTheoreticalDiff_})
        g->reloadData();

    // Room beside the boxes (at 0 and 1) and the pairs of proportion bars (about 0 and 1).
    std::vector<double> boxExtra;
    if (one && !props)
        boxExtra.push_back(expected);
    if (props)
        fit(*graph_, true, {-0.5, 1.3}, {}, std::pair{0.0, 1.0});
    else
        fit(*graph_, true, {-0.6, samples() == 2 && !paired() ? 1.6 : 0.6}, boxExtra, std::nullopt);
    if (dates)
        axesOf(*graph_).yAxis()->setLabelFormatter(timeFormatterFor(spaceOf(*graph_).yRange()->lengthDouble()));

    std::vector<double> densityExtra;
    if (one)
        densityExtra.push_back(expected);
    const auto [densityWidth, densityHeight] = fit(*graphDensity_, false, densityExtra, {}, std::nullopt);
    (void)densityHeight;
    if (dates)
        axesOf(*graphDensity_).xAxis()->setLabelFormatter(timeFormatterFor(densityWidth));
    const auto [theoreticalWidth, theoreticalHeight] = fit(*graphTheoretical_, true, {}, {0.0}, std::nullopt);
    (void)theoreticalHeight;
    if (dates)
        axesOf(*graphTheoretical_).xAxis()->setLabelFormatter(timeFormatterFor(theoreticalWidth));
    fit(*graphTheoreticalDiff_, false, {}, {0.0}, std::nullopt);
}

// --- Actions

void HypothesisTestViewController::storeAndRerun() {
    if (model())
        model()->saveContext();
    viewWillAppear(true);
}

void HypothesisTestViewController::chooseSamples(int index) {
    if (!analysis() || index < 0 || index > 2)
        return;
    Analysis& a = *analysis();
    const int64_t keep = index == 0 ? 2 : index == 1 ? 3 : 4;
    a.setSamples(index == 0 ? 1 : 2);
    a.setIsPaired(index == 2);
    if (a.test() != keep)
        a.setTest(std::nullopt);
    storeAndRerun();
}

void HypothesisTestViewController::enterExpected() {
    if (!analysis())
        return;
    const std::string& text = fieldExpected_->text();
    std::optional<double> value;
    if (model())
        value = leftType() == kDateType ? model()->dateForString(text) : model()->decimalNumberForString(text);
    if (value && std::isfinite(*value))
        analysis()->setExpected(expectedText(*value));
    storeAndRerun();
}

void HypothesisTestViewController::chooseDistribution(int index) {
    if (!analysis() || index < 0 || index > 2)
        return;
    analysis()->setDistribution(index);
    storeAndRerun();
}

void HypothesisTestViewController::chooseTails(int index) {
    if (!analysis() || index < 0 || index > 2)
        return;
    analysis()->setTails(index == 0 ? 1 : index == 1 ? 0 : 2);
    storeAndRerun();
}

bool HypothesisTestViewController::textFieldShouldReturn(ui::TextField& field) {
    field.resignFirstResponder();
    return true;
}

void HypothesisTestViewController::setWhereY(ui::View& sender) {
    if (!model() || !analysis())
        return;
    auto wheres = std::make_shared<WheresViewController>(ui::TableViewStyle::Plain);
    wheres->setAnalysis(analysis());
    wheres->setModel(model());
    wheres->setIsSecondayWhere(true);
    wheres->view();
    presentPopover(wheres, &sender, nullptr, true);
}

void HypothesisTestViewController::presentList(ui::View& sender, int tag, ui::Size size) {
    auto list = std::make_shared<ListController>(*this, tag);
    list->setPreferredContentSize(size);
    list->setModalPresentationStyle(ui::ModalPresentationStyle::Popover);
    list->popoverPresentationController().sourceView = &sender;
    list->popoverPresentationController().delegate = this;
    presentViewController(list, true);
}

void HypothesisTestViewController::chooseLevel1(ui::View& sender) {
    presentList(sender, sender.tag() == 1 ? kTagLevelsLeft : kTagLevelsRight, {200, 100});
}

void HypothesisTestViewController::chooseTest(ui::View& sender) {
    presentList(sender, kTagTests, {200, 200});
}

int HypothesisTestViewController::numberOfRowsInSection(ui::TableView& tableView, int) {
    switch (tableView.tag()) {
    case kTagTests:
        return int(binomialTests_.size());
    case kTagLevelsLeft:
        return int(levelsLeft_.size());
    case kTagLevelsRight:
        return int(levelsRight_.size());
    default:
        return 0;
    }
}

std::shared_ptr<ui::TableViewCell> HypothesisTestViewController::cellForRowAtIndexPath(ui::TableView& tableView,
                                                                                      ui::IndexPath indexPath) {
    const int tag = tableView.tag();
    const auto row = size_t(indexPath.row);
    const char* id = tag == kTagTests ? "Tests" : tag == kTagLevelsLeft ? "LevelLeft" : "LevelRight";
    auto cell = tableView.dequeueReusableCellWithIdentifier(id, indexPath);
    if (!cell)
        cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, id);
    std::string text;
    if (tag == kTagTests && row < binomialTests_.size())
        text = testTitle(binomialTests_[row]);
    else if (tag == kTagLevelsLeft && row < levelsLeft_.size())
        text = levelsLeft_[row];
    else if (tag == kTagLevelsRight && row < levelsRight_.size())
        text = levelsRight_[row];
    cell->textLabel().setText(text);
    return cell;
}

void HypothesisTestViewController::didSelectRowAtIndexPath(ui::TableView& tableView, ui::IndexPath indexPath) {
    selectListRow(tableView.tag(), indexPath.row);
}

void HypothesisTestViewController::selectListRow(int tag, int row) {
    if (!analysis() || row < 0)
        return;
    Analysis& a = *analysis();
    const auto index = size_t(row);
    bool stored = true;
    if (tag == kTagTests && index < binomialTests_.size()) {
        switch (binomialTests_[index]) {
        case 2:
            a.setTest(2);
            a.setSamples(1);
            a.setIsPaired(false);
            break;
        case 3:
            a.setTest(3);
            a.setSamples(2);
            a.setIsPaired(false);
            break;
        case 4:
            a.setTest(4);
            a.setSamples(2);
            a.setIsPaired(true);
            break;
        default:
            a.setTest(std::nullopt);
            break;
        }
    } else if (tag == kTagLevelsLeft && index < levelsLeft_.size()) {
        a.setLeftLevel1(levelsLeft_[index]);
    } else if (tag == kTagLevelsRight && index < levelsRight_.size()) {
        a.setRightLevel1(levelsRight_[index]);
    } else {
        stored = false;
    }
    if (stored && model())
        model()->saveContext();
    if (presentedViewController())
        dismissViewController(true);
    viewWillAppear(true);
}

void HypothesisTestViewController::picker(ColumnPickerViewController& picker,
                                          const std::vector<std::shared_ptr<Column>>& pickedColumns,
                                          uint64_t position) {
    if (analysis()) {
        if (position == PickerPositionRight) {
            levelsRight_.clear();
            analysis()->setRightLevel1(std::nullopt);
        } else if (position == PickerPositionLeft) {
            levelsLeft_.clear();
            analysis()->setLeftLevel1(std::nullopt);
        }
    }
    AnalysisDetailViewController::picker(picker, pickedColumns, position);
}

// --- Output

std::shared_ptr<AnalysisDetailViewController> HypothesisTestViewController::viewControllerForOutput() const {
    std::shared_ptr<HypothesisTestViewController> output;
    if (proportions())
        output = std::make_shared<HypothesisTestProportionsViewController_PDF>();
    else
        output = std::make_shared<HypothesisTestMeansViewController_PDF>();
    // The report's table names the levels of paired samples.
    output->setLevels(levelsLeft_, levelsRight_);
    return output;
}

std::string HypothesisTestViewController::fileNameOutput() const {
    return proportions() ? tr("Hypothesis Test of Proportions") : tr("Hypothesis Test of Means");
}

void HypothesisTestViewController::writeCSVLines(CHCSVWriter& writer) {
    using Field = CHCSVWriter::Field;
    writer.writeLineOfFields({Field(fileNameOutput())});
    writer.finishLine();
    writer.writeLineOfFields({Field(labelPDFSample1_->text())});
    writer.writeLineOfFields({Field(labelPDFSample2_->text())});
    writer.finishLine();
    const auto& stored = graphData().result;
    for (const auto& statement : statements_)
        writer.writeLineOfFields({Field(statement)});
    if (stored)
        writer.writeLineOfFields({Field(stored->testName.value_or(""))});
    writer.finishLine();
    for (const auto& row : dataTable_) {
        std::vector<Field> fields;
        for (const auto& cell : row)
            fields.emplace_back(cell);
        writer.writeLineOfFields(fields);
    }
    writer.finishLine();
    if (!stored)
        return;
    if (untestable_) {
        writer.writeLineOfFields({Field(statisticLine_)});
    } else if (stored->statName == "!") {
        writer.writeLineOfFields({Field(tr("p")), Field(stored->p)});
    } else if (stored->statName == "Z") {
        writer.writeLineOfFields({Field(stored->statName), Field(stored->t)});
        writer.writeLineOfFields({Field(tr("p")), Field(stored->p)});
    } else {
        writer.writeLineOfFields({Field(stored->statName), Field(stored->t)});
        writer.writeLineOfFields({Field(tr("degrees of freedom")), Field(stored->df)});
        writer.writeLineOfFields({Field(tr("p")), Field(stored->p)});
    }
    writer.writeLineOfFields({Field(decision_)});
}
