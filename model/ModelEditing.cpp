// Editing a workspace's structure: rows, columns (empty, derived, removed), analyses and the columns
// each analysis slot may take; the per-user help-tip counters; type colours and token descriptions.
#include "model/Model.h"

#include "model/CellReading.h"
#include "model/CellTexts.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/Tr.h"
#include "platform/foundation/UserDefaults.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <limits>

namespace {

constexpr const char* kTimesSeenHelp = "timesSeenHelp";

bool sameObject(const store::ManagedObject* a, const store::ManagedObject* b) {
    return a && b && a->objectID() == b->objectID();
}

double now() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

// The shortest digits that read back as the same double, in plain (not exponent) notation, with the
// given decimal separator.
std::string plainDecimalText(double v, const std::string& separator) {
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed);
    if (ec != std::errc())
        return "";
    std::string text(buffer, end);
    if (auto point = text.find('.'); point != std::string::npos)
        text.replace(point, 1, separator);
    return text;
}

// The cell text of each row of `rows` (ascending), "" where the column has no cell in that row.
std::vector<std::string> textsByRow(store::Context& context, const Column& column,
                                    const std::vector<int64_t>& rows) {
    CellTexts cells = columnCellTexts(context, column.num());
    std::vector<std::string> out(rows.size());
    size_t p = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        while (p < cells.rows.size() && cells.rows[p] < rows[i])
            ++p;
        if (p < cells.rows.size() && cells.rows[p] == rows[i])
            out[i] = std::move(cells.texts[p]);
    }
    return out;
}

} // namespace

int64_t Model::nextColumnNum() {
    if (!context_)
        return 0;
    store::FetchRequest r{"Column", "\"num\" IS NOT NULL", {}, {{"num", false}}, 1};
    auto values = context_->fetchValues(r, "num", false);
    if (values.empty())
        return 0;
    return store::asInt(values.front()).value_or(-1) + 1;
}

std::string Model::decimalSeparatorForWriting() {
    // The separator of the reader that will read the values back, so that a "," workspace gets "3,5".
    std::string separator = readDecimal().decimalSeparator();
    return separator.empty() ? "." : separator;
}

void Model::addEmptyRow() {
    addRow(countRows() + 1, {}, columns());
}

std::shared_ptr<Column> Model::appendColumn() {
    if (!context_)
        return nullptr;
    const int64_t num = nextColumnNum();
    auto column = context_->insertNewObject<Column>();
    if (!column)
        return nullptr;
    column->setNum(num);
    column->setOrder(static_cast<int64_t>(countColumns()) - 1); // the new column is counted
    return column;
}

std::shared_ptr<Column> Model::addEmptyColumn() {
    auto column = appendColumn();
    if (!column)
        return nullptr;
    const int64_t num = column->num();
    std::string name = foundation::tr("Var%u");
    if (auto at = name.find("%u"); at != std::string::npos)
        name.replace(at, 2, std::to_string(num + 1));
    column->setName(std::move(name));

    static const std::vector<int> cellSlots{Cell::kData, Cell::kColNum, Cell::kRowNum};
    const int cellEntity = context_->schema().entityIndex(Cell::entityName);
    store::FetchRequest r{"Row", "", {}, {{"num", true}}, 0};
    for (const auto& rowNum : context_->fetchValues(r, "num", false))
        context_->insertRow(cellEntity, cellSlots, {store::Value(std::string()), store::Value(num), rowNum});
    return column;
}

void Model::removeColumn(Column& column) {
    if (!context_ || column.managedObjectContext() != context_.get())
        return;
    const int64_t num = column.num(), order = column.order();
    context_->deleteObjects("Cell", "\"colNum\" = ?", {store::Value(num)});
    context_->executeChange("Column", "UPDATE \"Column\" SET \"order\" = \"order\" - 1 WHERE \"order\" > ?",
                            {store::Value(order)});
    // The store's rules take the column's filters with it and clear the analyses' references to it.
    context_->deleteObject(column);
    saveContext();
    // Screens drop their in-memory filters on this column: a filter never moves to another column.
    // Notifications are delivered on the main thread; a background Model hands its post over there.
    foundation::Value info(foundation::Value::Dictionary{{"num", foundation::Value(num)}});
    if (dispatch::isMainThread()) {
        foundation::NotificationCenter::defaultCenter().post(ColumnRemovedNotification, this,
                                                             std::move(info));
        return;
    }
    dispatch::mainQueue().async([info = std::move(info)] {
        foundation::NotificationCenter::defaultCenter().post(ColumnRemovedNotification, nullptr, info);
    });
}

std::shared_ptr<Column> Model::addColumnNamed(const std::string& name, const Column* x, const Column* y,
                                              double c,
                                              const std::function<double(double, double, double)>& formula) {
    auto column = appendColumn();
    if (!column)
        return nullptr;
    const int64_t num = column->num();
    column->setName(name);

    std::vector<int64_t> rows;
    store::FetchRequest r{"Row", "\"num\" IS NOT NULL", {}, {{"num", true}}, 0};
    for (const auto& v : context_->fetchValues(r, "num", false))
        rows.push_back(store::asInt(v).value_or(0));
    // Pairing by row number: each input's cell of a row meets the other input's cell of the same row.
    std::vector<std::string> xs, ys;
    if (x)
        xs = textsByRow(*context_, *x, rows);
    if (y)
        ys = textsByRow(*context_, *y, rows);
    const std::string separator = decimalSeparatorForWriting();
    cellreading::NumberReader numbers(*this);
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();

    static const std::vector<int> cellSlots{Cell::kData, Cell::kColNum, Cell::kRowNum};
    const int cellEntity = context_->schema().entityIndex(Cell::entityName);
    for (size_t i = 0; i < rows.size(); ++i) {
        std::string data;
        double xv = nan, yv = nan;
        // A missing or unreadable input is no value: the formula is not asked to invent one.
        bool missing = false;
        if (x) {
            auto v = numbers.number(xs[i]);
            missing = !v;
            xv = v.value_or(nan);
        }
        if (y && !missing) {
            auto v = numbers.number(ys[i]);
            missing = !v;
            yv = v.value_or(nan);
        }
        if (!missing && formula) {
            double result = formula(xv, yv, c);
            if (std::isfinite(result))
                data = plainDecimalText(result, separator);
        }
        context_->insertRow(cellEntity, cellSlots,
                            {store::Value(std::move(data)), store::Value(num), store::Value(rows[i])});
    }
    saveContext();
    return column;
}

bool Model::nameIsValid(const std::string& name) {
    if (name.empty())
        return false;
    if (!context_)
        return true;
    // = compares bytes: another letter case is another name.
    store::FetchRequest r{"Column", "\"name\" = ?", {store::Value(name)}, {}, 0};
    return context_->countForFetchRequest(r) == 0;
}

void Model::changeColumn(Column& column, int64_t type) {
    column.setType(type);
    saveContext();
}

std::shared_ptr<Analysis> Model::addAnalysis(const std::string& name) {
    if (!context_)
        return nullptr;
    auto analysis = context_->insertNewObject<Analysis>();
    if (!analysis)
        return nullptr;
    analysis->setName(name);
    analysis->setLastOpened(now());
    saveContext();
    return analysis;
}

std::shared_ptr<Analysis> Model::addAnalysis(const std::string& name, Column& left, Column& right) {
    if (!context_)
        return nullptr;
    auto analysis = context_->insertNewObject<Analysis>();
    if (!analysis)
        return nullptr;
    analysis->setName(name);
    analysis->setLastOpened(now());
    analysis->addColumnsObject(left);
    analysis->addColumnsObject(right);
    int64_t numeric = (left.type() == 3 ? 1 : 0) + (right.type() == 3 ? 1 : 0);
    analysis->setType(1 + numeric);
    saveContext();
    return analysis;
}

void Model::removeAnalysis(Analysis& analysis) {
    if (!context_)
        return;
    context_->deleteObject(analysis);
    saveContext();
}

void Model::changeAnalysis(Analysis& analysis, int64_t type) {
    analysis.setType(type);
    auto offered = [](const std::vector<std::shared_ptr<Column>>& columns, const Column* c) {
        for (const auto& o : columns)
            if (sameObject(o.get(), c))
                return true;
        return false;
    };
    if (type < 0) {
        analysis.setLeft(nullptr);
        analysis.setRight(nullptr);
        saveContext();
        return;
    }
    const auto t = static_cast<uint64_t>(type);
    if (auto left = analysis.left(); left && !offered(columnsForAnalysisType(t, 1), left.get()))
        analysis.setLeft(nullptr);
    if (auto right = analysis.right(); right && !offered(columnsForAnalysisType(t, 2), right.get()))
        analysis.setRight(nullptr);
    saveContext();
}

void Model::addColumn(Column& column, Analysis& analysis, int64_t position) {
    switch (position) {
    case 3:
        analysis.addColumnsObject(column);
        break;
    case 2:
        analysis.setRight(&column);
        break;
    case 1:
        analysis.setLeft(&column);
        analysis.removeColumnsObject(column);
        break;
    default:
        break;
    }
    saveContext();
}

bool Model::analysisTypeCanRun(int64_t type, const Column* left, const Column* right,
                               const std::vector<std::shared_ptr<Column>>&) {
    if (type == 4 || type == 5)
        return true;
    return left && right;
}

bool Model::analysisCanRun(const Analysis& analysis) {
    auto left = analysis.left(), right = analysis.right();
    return analysisTypeCanRun(analysis.type(), left.get(), right.get(), analysis.columns());
}

std::vector<std::shared_ptr<Column>> Model::columnsOfTypes(const std::set<int64_t>& types) {
    std::vector<std::shared_ptr<Column>> out;
    for (auto& column : columns())
        if (auto type = column->type(); type && types.count(*type))
            out.push_back(std::move(column));
    return out;
}

std::set<int64_t> Model::variableTypesForAnalysisType(uint64_t type, uint64_t position) {
    switch (type) {
    case 1:
        return {1, 2};
    case 2:
        if (position == 1)
            return {3, 2, 4};
        return {1, 2, 3, 4};
    case 3:
        return {3, 2, 4};
    case 4:
        return {3, 2};
    case 5:
        return {3, 2, 4};
    default:
        return {};
    }
}

std::vector<std::shared_ptr<Column>> Model::columnsForAnalysisType(uint64_t type, uint64_t position) {
    const bool needValues = type == 3 || (type == 2 && position == 1);
    const bool grouping = type == 2 && position == 2;
    std::vector<std::shared_ptr<Column>> out;
    for (auto& column : columnsOfTypes(variableTypesForAnalysisType(type, position))) {
        const int64_t t = column->type().value_or(0);
        if (needValues) {
            const int64_t obs = column->obs().value_or(0), numeric = column->obsNumeric().value_or(0);
            if (t == 4 ? column->obsDate().value_or(0) < 1 : numeric < 1)
                continue;
            if (t == 2 && numeric != obs)
                continue;
        }
        if (grouping && (t == 3 || t == 4) && column->levels().value_or(0) > 20)
            continue;
        out.push_back(std::move(column));
    }
    return out;
}

std::vector<std::shared_ptr<Column>>
Model::columnsToAddToAnalysisType(uint64_t type, uint64_t position, const Column* left,
                                  const std::vector<std::shared_ptr<Column>>&) {
    auto out = columnsForAnalysisType(type, position);
    if (type == 4 && position == 3)
        std::erase_if(out, [left](const std::shared_ptr<Column>& c) { return sameObject(c.get(), left); });
    return out;
}

std::vector<std::shared_ptr<Column>> Model::columnsToAddToAnalysis(const Analysis& analysis,
                                                                   int64_t position) {
    const int64_t type = analysis.type();
    if (type == 5 || (type == 4 && position == 1)) {
        std::vector<std::shared_ptr<Column>> out;
        const bool proportions = analysis.distribution() == 2;
        for (auto& column : columns()) {
            const int64_t t = column->type().value_or(0);
            if (proportions ? column->levels().value_or(0) == 2 : (t == 3 || t == 4))
                out.push_back(std::move(column));
        }
        return out;
    }
    if (type < 0 || position < 0)
        return {};
    auto left = analysis.left();
    return columnsToAddToAnalysisType(static_cast<uint64_t>(type), static_cast<uint64_t>(position),
                                      left.get(), analysis.columns());
}

int64_t Model::timesSeenHelpKey(const std::string& key) {
    auto counters = foundation::UserDefaults::standard().object(kTimesSeenHelp);
    if (!counters)
        return 0;
    const auto* count = counters->find(key);
    return count ? count->toInt64() : 0;
}

void Model::incrementTimesSeenHelpKey(const std::string& key) {
    auto& defaults = foundation::UserDefaults::standard();
    foundation::Value::Dictionary counters;
    if (auto stored = defaults.object(kTimesSeenHelp))
        counters = stored->dictionary();
    counters[key] = foundation::Value(timesSeenHelpKey(key) + 1);
    defaults.set(kTimesSeenHelp, foundation::Value(std::move(counters)));
}

void Model::resetTimesSeenHelp() {
    foundation::UserDefaults::standard().remove(kTimesSeenHelp);
}

RGBAColor Model::colorForVariableType(uint64_t type) {
    constexpr double k = 200.0 / 255.0;
    switch (type) {
    case 1:
        return {1, 1, k, 1};
    case 2:
        return {k, 1, k, 1};
    case 3:
        return {k, 1, 1, 1};
    case 4:
        return {1, k, 1, 1};
    default:
        return {2.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0, 1}; // the platform's light grey
    }
}

TokenLabel Model::labelForColumn(const Column& column, TokenRect rect) {
    TokenLabel label;
    label.text = column.name();
    label.frame = rect;
    label.fontSize = 0.8 * rect.height;
    label.cornerRadius = 0.5 * rect.height;
    label.borderWidth = 1;
    label.extraWidth = rect.height;
    const int64_t type = column.type().value_or(0);
    label.background = colorForVariableType(type < 0 ? 0 : static_cast<uint64_t>(type));
    return label;
}

TokenView Model::viewWithString(const std::string& text, const std::vector<std::shared_ptr<Column>>& columns,
                                TokenRect rect) {
    static const std::string placeholder = "__VAR__";
    TokenView view;
    view.frame = rect;
    size_t start = 0, k = 0;
    for (;;) {
        size_t at = text.find(placeholder, start);
        view.pieces.push_back(
            {text.substr(start, at == std::string::npos ? std::string::npos : at - start), {}});
        if (at == std::string::npos)
            break;
        // A placeholder without a column shows nothing rather than another column's name.
        if (k < columns.size() && columns[k])
            view.pieces.push_back({"", labelForColumn(*columns[k], {0, 0, 40, rect.height})});
        ++k;
        start = at + placeholder.size();
    }
    return view;
}
