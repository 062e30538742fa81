// The workspace schema and the relationship accessors of the stored entities.
#include "model/Entities.h"

#include "platform/store/Context.h"

namespace {

using store::AttributeType;
using store::DeleteRule;

template <class T> std::function<std::shared_ptr<store::ManagedObject>()> maker() {
    return [] { return std::make_shared<T>(); };
}

template <class T>
std::vector<std::shared_ptr<T>> cast(std::vector<std::shared_ptr<store::ManagedObject>> objects) {
    std::vector<std::shared_ptr<T>> out;
    out.reserve(objects.size());
    for (auto& o : objects)
        out.push_back(std::static_pointer_cast<T>(std::move(o)));
    return out;
}

template <class T> std::shared_ptr<T> cast(std::shared_ptr<store::ManagedObject> object) {
    return std::static_pointer_cast<T>(std::move(object));
}

store::Schema makeSchema() {
    store::Schema s;
    // Version 2: cells are packed by column in records of consecutive rows (converted once from an
    // earlier file when it is opened). Version 1: cells carry colNum and rowNum; earlier files linked
    // cells to rows and columns only, and gain those columns (null) when opened; the model then fills
    // them once.
    s.version = 2;
    const auto I = AttributeType::Integer, D = AttributeType::Double, T = AttributeType::Text,
               Dec = AttributeType::Decimal, Date = AttributeType::Date, B = AttributeType::Boolean;

    store::Entity row{
        "Row", {{"num", I}}, {}, {{"cells", "Cell", "row", ""}}, {{"RowNum", {"num"}, ""}}, maker<Row>(), std::nullopt};

    store::Entity column{"Column",
                         {{"name", T},       {"num", I},        {"order", I},    {"type", I},
                          {"obs", I},        {"obsNumeric", I}, {"obsDate", I},  {"levels", I},
                          {"levelsDate", I}, {"min", Dec},      {"max", Dec},    {"mean", D},
                          {"sd", D},         {"pc25", D},       {"pc50", D},     {"pc75", D},
                          {"minDate", D},    {"maxDate", D},    {"meanDate", D}, {"sdDate", D},
                          {"pc25Date", D},   {"pc50Date", D},   {"pc75Date", D}},
                         {},
                         {{"cells", "Cell", "column", ""},
                          {"analyses", "Analysis", "columns", "AnalysisColumns"},
                          {"leftOf", "Analysis", "left", ""},
                          {"rightOf", "Analysis", "right", ""},
                          {"xOfWhere", "WhereClause", "x", ""}},
                         {{"ColumnNum", {"num"}, ""}},
                         maker<Column>(), std::nullopt};

    // A column's cells are kept packed: the texts of 4096 consecutive rows of one column are one record.
    // Cells that cannot be packed (those of older files that only link to their row and column) stay
    // one row each, indexed as before.
    store::Entity cell{"Cell",
                       {{"data", T}, {"colNum", I}, {"rowNum", I}},
                       {{"row", "Row", DeleteRule::Nullify}, {"column", "Column", DeleteRule::Nullify}},
                       {},
                       {{"CellColumnRows", {"colNum", "rowNum"}, ""},
                        {"CellRowColumns", {"rowNum", "colNum"}, ""},
                        {"CellRow", {"row"}, "\"row\" IS NOT NULL"},
                        {"CellColumn", {"column"}, "\"column\" IS NOT NULL"}},
                       maker<Cell>(),
                       store::Packing{"colNum", "rowNum", "data", 4096}};

    store::Entity analysis{
        "Analysis",
        {{"name", T},
         {"lastOpened", Date},
         {"type", I},
         {"samples", I},
         {"isPaired", B},
         {"distribution", I},
         {"tails", I},
         {"test", I},
         {"expected", Dec},
         {"leftLevel1", T},
         {"rightLevel1", T},
         {"includeMissing", B},
         {"twoWayPercAgg", I},
         {"twoWayPercDisplay", I}},
        {{"left", "Column", DeleteRule::Nullify}, {"right", "Column", DeleteRule::Nullify}},
        {{"columns", "Column", "analyses", "AnalysisColumns"},
         {"wheres", "WhereClause", "whereOfAnalysis", ""},
         {"wheres2", "WhereClause", "where2OfAnalysis", ""}},
        {},
        maker<Analysis>(), std::nullopt};

    // A filter condition lives and dies with its analysis and with the column it tests: a condition
    // left without its column would otherwise read as a condition on column 0.
    store::Entity where{"WhereClause",
                        {{"op", I}, {"c", T}, {"levels", AttributeType::TextSet}},
                        {{"x", "Column", DeleteRule::Cascade},
                         {"whereOfAnalysis", "Analysis", DeleteRule::Cascade},
                         {"where2OfAnalysis", "Analysis", DeleteRule::Cascade}},
                        {},
                        {{"WhereClauseAnalysis", {"whereOfAnalysis"}, ""},
                         {"WhereClauseAnalysis2", {"where2OfAnalysis"}, ""}},
                        maker<WhereClause>(), std::nullopt};

    store::Entity metadata{"Metadata", {{"key", T}, {"value", T}},     {},
                           {},         {{"MetadataKey", {"key"}, ""}}, maker<Metadata>(), std::nullopt};

    s.entities = {row, column, cell, analysis, where, metadata};
    (void)Date;
    (void)B;
    return s;
}

} // namespace

std::shared_ptr<const store::Schema> workspaceSchema() {
    static const std::shared_ptr<const store::Schema> schema =
        std::make_shared<const store::Schema>(makeSchema());
    return schema;
}

std::vector<std::shared_ptr<Cell>> Row::cells() const {
    return cast<Cell>(toMany("cells"));
}

std::vector<std::shared_ptr<Cell>> Column::cells() const {
    return cast<Cell>(toMany("cells"));
}
std::vector<std::shared_ptr<Analysis>> Column::analyses() const {
    return cast<Analysis>(toMany("analyses"));
}
std::vector<std::shared_ptr<Analysis>> Column::leftOf() const {
    return cast<Analysis>(toMany("leftOf"));
}
std::vector<std::shared_ptr<Analysis>> Column::rightOf() const {
    return cast<Analysis>(toMany("rightOf"));
}
std::vector<std::shared_ptr<WhereClause>> Column::xOfWhere() const {
    return cast<WhereClause>(toMany("xOfWhere"));
}

std::shared_ptr<Row> Cell::row() const {
    return cast<Row>(toOne(kRow));
}
std::shared_ptr<Column> Cell::column() const {
    return cast<Column>(toOne(kColumn));
}

std::shared_ptr<Column> Analysis::left() const {
    return cast<Column>(toOne(kLeft));
}
std::shared_ptr<Column> Analysis::right() const {
    return cast<Column>(toOne(kRight));
}
std::vector<std::shared_ptr<Column>> Analysis::columns() const {
    return cast<Column>(toMany("columns"));
}
std::vector<std::shared_ptr<WhereClause>> Analysis::wheres() const {
    return cast<WhereClause>(toMany("wheres"));
}
std::vector<std::shared_ptr<WhereClause>> Analysis::wheres2() const {
    return cast<WhereClause>(toMany("wheres2"));
}
void Analysis::addWheresObject(WhereClause& w) {
    addToMany("wheres", w);
}
void Analysis::removeWheresObject(WhereClause& w) {
    removeFromMany("wheres", w);
}
void Analysis::addWheres2Object(WhereClause& w) {
    addToMany("wheres2", w);
}
void Analysis::removeWheres2Object(WhereClause& w) {
    removeFromMany("wheres2", w);
}

std::shared_ptr<Column> WhereClause::x() const {
    return cast<Column>(toOne(kX));
}
std::shared_ptr<Analysis> WhereClause::whereOfAnalysis() const {
    return cast<Analysis>(toOne(kWhereOfAnalysis));
}
std::shared_ptr<Analysis> WhereClause::where2OfAnalysis() const {
    return cast<Analysis>(toOne(kWhere2OfAnalysis));
}
