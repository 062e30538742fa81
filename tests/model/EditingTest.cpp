// Editing a workspace's structure: empty rows and columns, derived columns, column removal with
// filters and analyses attached, analyses and their slots, the help-tip counters, colours and tokens.
#include "StoreFixture.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace {

// The cell texts of a column by row number.
std::map<int64_t, std::string> texts(Model& m, const Column& c) {
    std::map<int64_t, std::string> out;
    for (const auto& cell : m.cellsForColumn(c))
        out[cell->rowNum().value_or(-1)] = cell->data();
    return out;
}

std::vector<std::string> names(const std::vector<std::shared_ptr<Column>>& columns) {
    std::vector<std::string> out;
    for (const auto& c : columns)
        out.push_back(c->name());
    return out;
}

class EditingTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        m = mainModel();
        m->openStore(path("Edit.ov"));
    }
    // Columns x and y from the given rows; rows are added in the given order of row numbers.
    void workspace(const std::vector<std::pair<int64_t, std::pair<std::string, std::string>>>& rows,
                   const std::string& separator = ".") {
        m->setMetadataValue(separator, "decimalSeparator");
        m->setReadDecimal(nullptr);
        m->setReadPercent(nullptr);
        m->setReadCurrency(nullptr);
        m->addColumns({"x", "y"});
        auto columns = m->columns();
        for (const auto& [row, values] : rows)
            m->addRow(static_cast<uint64_t>(row), {values.first, values.second}, columns);
        m->saveContext();
    }
    std::unique_ptr<Model> m;
};

} // namespace

TEST_F(EditingTest, DerivedColumns) {
    using F = std::function<double(double, double, double)>;
    const F plus = [](double x, double, double c) { return x + c; };
    const F ratio = [](double x, double y, double) { return x / y; };
    const F minimum = [](double x, double, double c) { return std::min(x, c); };
    const F equals = [](double x, double, double c) { return x == c ? 1.0 : 0.0; };
    const F twiceY = [](double, double y, double) { return 2 * y; };
    const F difference = [](double x, double y, double) { return x - y; };
    const F constant = [](double x, double y, double c) { return std::isnan(x) && std::isnan(y) ? c : -1; };
    struct Case {
        const char* what;
        bool useX, useY;
        double c;
        F formula;
        std::map<int64_t, std::string> expected;
    };
    // Rows 1..5 with x: 2, "", 5, "abc", 3 and y: 4, 0, "", 1.5, 0 (added in the order 3, 1, 5, 4, 2).
    const Case cases[] = {
        {"x + c; a missing input gives a missing value",
         true,
         false,
         1,
         plus,
         {{1, "3"}, {2, ""}, {3, "6"}, {4, ""}, {5, "4"}}},
        {"x / y; division by 0 is no value",
         true,
         true,
         0,
         ratio,
         {{1, "0.5"}, {2, ""}, {3, ""}, {4, ""}, {5, ""}}},
        {"min(x, c) invents nothing for a missing x",
         true,
         false,
         3,
         minimum,
         {{1, "2"}, {2, ""}, {3, "3"}, {4, ""}, {5, "3"}}},
        {"(x == c) invents nothing for a missing x",
         true,
         false,
         5,
         equals,
         {{1, "0"}, {2, ""}, {3, "1"}, {4, ""}, {5, "0"}}},
        {"from y alone on y's own rows",
         false,
         true,
         0,
         twiceY,
         {{1, "8"}, {2, "0"}, {3, ""}, {4, "3"}, {5, "0"}}},
        {"x - y pairs the cells of one row",
         true,
         true,
         0,
         difference,
         {{1, "-2"}, {2, ""}, {3, ""}, {4, ""}, {5, "3"}}},
        {"no input: the formula of c in every row",
         false,
         false,
         7.25,
         constant,
         {{1, "7.25"}, {2, "7.25"}, {3, "7.25"}, {4, "7.25"}, {5, "7.25"}}},
    };
    workspace({{3, {"5", ""}}, {1, {"2", "4"}}, {5, {"3", "0"}}, {4, {"abc", "1.5"}}, {2, {"", "0"}}});
    auto x = m->columnNumber(0), y = m->columnNumber(1);
    int64_t num = 2;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto column =
            m->addColumnNamed(c.what, c.useX ? x.get() : nullptr, c.useY ? y.get() : nullptr, c.c, c.formula);
        ASSERT_TRUE(column);
        EXPECT_EQ(column->num(), num);
        EXPECT_EQ(column->order(), num);
        EXPECT_FALSE(column->type());
        EXPECT_EQ(texts(*m, *column), c.expected);
        ++num;
    }
    EXPECT_FALSE(m->managedObjectContext()->hasChanges()) << "deriving saves";
}

TEST_F(EditingTest, DerivedColumnInACommaWorkspaceReadsBackAsNumbers) {
    workspace({{1, {"1,5", ""}}, {2, {"-0,25", ""}}, {3, {"1000", ""}}}, ",");
    auto x = m->columnNumber(0);
    auto column =
        m->addColumnNamed("x + c", x.get(), nullptr, 0.5, [](double x, double, double c) { return x + c; });
    auto got = texts(*m, *column);
    EXPECT_EQ(got, (std::map<int64_t, std::string>{{1, "2"}, {2, "0,25"}, {3, "1000,5"}}));
    const std::map<int64_t, double> values{{1, 2}, {2, 0.25}, {3, 1000.5}};
    for (const auto& [row, text] : got)
        EXPECT_EQ(m->decimalNumberForString(text), values.at(row)) << text;
}

TEST_F(EditingTest, EmptyRowsAndColumns) {
    m->addColumns({"a", "b", "c", "d", "e", "f"});
    m->addRow(1, {"1", "2", "3", "4", "5", "6"}, m->columns());
    m->addRow(2, {"1"}, m->columns());
    m->saveContext();
    // Removing nums 2, 3 and 4 leaves 0, 1 and 5.
    for (int n : {2, 3, 4})
        m->removeColumn(*m->columnNumber(static_cast<uint64_t>(n)));
    auto added = m->addEmptyColumn();
    ASSERT_TRUE(added);
    EXPECT_EQ(added->num(), 6);
    EXPECT_EQ(added->name(), "Var7");
    EXPECT_EQ(added->order(), 3);
    EXPECT_EQ(names(m->columns()), (std::vector<std::string>{"a", "b", "f", "Var7"}));
    EXPECT_EQ(texts(*m, *added), (std::map<int64_t, std::string>{{1, ""}, {2, ""}}));
    EXPECT_EQ(texts(*m, *m->columnNumber(5)), (std::map<int64_t, std::string>{{1, "6"}, {2, ""}}));

    m->addEmptyRow();
    EXPECT_EQ(m->countRows(), 3u);
    ASSERT_TRUE(m->rowNumber(3));
    auto cells = m->cellsForRow(*m->rowNumber(3));
    EXPECT_EQ(cells.size(), 4u);
    EXPECT_TRUE(std::all_of(cells.begin(), cells.end(), [](auto& c) { return c->data().empty(); }));
    EXPECT_TRUE(m->managedObjectContext()->hasChanges()) << "the caller saves";
}

TEST_F(EditingTest, RemovingAColumnTakesItsFiltersAndSlotsWithIt) {
    m->addColumns({"a", "b", "c", "d"});
    auto cols = m->columns();
    for (int64_t r = 1; r <= 3; ++r)
        m->addRow(static_cast<uint64_t>(r), {"1", std::to_string(r), "x", "y"}, cols);
    auto ctx = m->managedObjectContext();
    auto a = m->addAnalysis("summary");
    a->setLeft(cols[1].get());
    a->setRight(cols[2].get());
    for (auto& c : cols)
        a->addColumnsObject(*c);
    auto other = m->addAnalysis("other");
    other->setRight(cols[1].get());
    auto clause = [&](Column& x, bool second, const std::string& c) {
        auto w = ctx->insertNewObject<WhereClause>();
        w->setX(&x);
        w->setOp(FilterEqual);
        w->setC(c);
        second ? a->addWheres2Object(*w) : a->addWheresObject(*w);
    };
    clause(*cols[1], false, "2");
    clause(*cols[2], false, "x");
    clause(*cols[1], true, "3");
    m->saveContext();

    std::vector<foundation::Value> posted;
    auto token = foundation::NotificationCenter::defaultCenter().observe(
        Model::ColumnRemovedNotification, nullptr,
        [&](const foundation::Notification& n) { posted.push_back(n.userInfo); });
    m->removeColumn(*cols[1]);

    ASSERT_EQ(posted.size(), 1u);
    ASSERT_TRUE(posted[0].find("num"));
    EXPECT_EQ(posted[0].find("num")->toInt64(), 1);
    EXPECT_FALSE(ctx->hasChanges()) << "removing saves";
    EXPECT_EQ(names(m->columns()), (std::vector<std::string>{"a", "c", "d"}));
    EXPECT_EQ(cols[2]->order(), 1);
    EXPECT_EQ(cols[3]->order(), 2);
    EXPECT_EQ(cols[3]->num(), 3);
    EXPECT_EQ(ctx->countForFetchRequest({"Cell", "\"colNum\" = 1", {}, {}, 0}), 0);
    EXPECT_EQ(ctx->countForFetchRequest({"WhereClause", "", {}, {}, 0}), 1);
    EXPECT_FALSE(a->left());
    ASSERT_TRUE(a->right());
    EXPECT_EQ(a->right()->name(), "c");
    EXPECT_FALSE(other->right());
    EXPECT_EQ(names(a->columns()), (std::vector<std::string>{"a", "c", "d"}));
    EXPECT_TRUE(a->wheres2().empty());
    EXPECT_EQ(m->stringForWhereAnalysis(*a), "c = x");
    EXPECT_EQ(m->rowsWhereAnalysis(*a), (std::vector<int64_t>{1, 2, 3}));
    EXPECT_EQ(m->rowsWhereClauses(a->wheres2()), std::nullopt);

    // A later column that reuses no number: the next column is num 4.
    EXPECT_EQ(m->addEmptyColumn()->num(), 4);
    m->saveContext();

    // Removed by a background Model, the notification still arrives on the main thread.
    posted.clear();
    auto worker = backgroundModel(*m);
    std::thread([&] {
        auto d = worker->columnNumber(3);
        ASSERT_TRUE(d);
        worker->removeColumn(*d);
    }).join();
    EXPECT_TRUE(posted.empty());
    ASSERT_TRUE(dispatch::runUntil([&] { return !posted.empty(); }, 5));
    EXPECT_EQ(posted[0].find("num")->toInt64(), 3);
}

TEST_F(EditingTest, DropAllTakesTheFilters) {
    m->addColumns({"a"});
    auto a = m->addAnalysis("one");
    auto w = m->managedObjectContext()->insertNewObject<WhereClause>();
    w->setOp(FilterEqual);
    m->saveContext();
    m->dropAll();
    for (const char* entity : {"Cell", "Row", "Column", "Analysis", "WhereClause"})
        EXPECT_EQ(m->managedObjectContext()->countForFetchRequest({entity, "", {}, {}, 0}), 0) << entity;
}

TEST_F(EditingTest, NamesTypesAndAnalyses) {
    m->addColumns({"Age", "Sex", "Weight", "Group"});
    auto cols = m->columns();
    EXPECT_FALSE(m->nameIsValid(""));
    EXPECT_FALSE(m->nameIsValid("Age"));
    EXPECT_TRUE(m->nameIsValid("age"));
    EXPECT_TRUE(m->nameIsValid("Height"));

    m->changeColumn(*cols[0], 3);
    m->changeColumn(*cols[1], 1);
    m->changeColumn(*cols[2], 3);
    m->changeColumn(*cols[3], 1);
    EXPECT_FALSE(m->managedObjectContext()->hasChanges());
    EXPECT_EQ(m->addAnalysis("t", *cols[1], *cols[3])->type(), 1);
    EXPECT_EQ(m->addAnalysis("t", *cols[0], *cols[1])->type(), 2);
    auto bivariate = m->addAnalysis("t", *cols[0], *cols[2]);
    EXPECT_EQ(bivariate->type(), 3);
    EXPECT_EQ(names(bivariate->columns()), (std::vector<std::string>{"Age", "Weight"}));
    EXPECT_FALSE(bivariate->left());

    auto a = m->addAnalysis("plain");
    EXPECT_EQ(a->type(), 0);
    EXPECT_TRUE(a->lastOpened());
    m->addColumn(*cols[0], *a, 3);
    m->addColumn(*cols[2], *a, 3);
    m->addColumn(*cols[2], *a, 1);
    m->addColumn(*cols[1], *a, 2);
    m->addColumn(*cols[1], *a, 9);
    EXPECT_EQ(a->left()->name(), "Weight");
    EXPECT_EQ(a->right()->name(), "Sex");
    EXPECT_EQ(names(a->columns()), (std::vector<std::string>{"Age"}));
    EXPECT_TRUE(Model::analysisCanRun(*a)) << "any type but 4 and 5 runs once both slots are filled";
    EXPECT_TRUE(Model::analysisTypeCanRun(2, cols[0].get(), cols[1].get(), {}));
    EXPECT_FALSE(Model::analysisTypeCanRun(3, cols[0].get(), nullptr, {}));
    EXPECT_TRUE(Model::analysisTypeCanRun(4, nullptr, nullptr, {}));
    EXPECT_TRUE(Model::analysisTypeCanRun(5, nullptr, nullptr, {}));

    // Weight has numbers; Sex is Categorical, so a bivariate analysis cannot keep it on the right.
    cols[2]->setObs(3);
    cols[2]->setObsNumeric(3);
    m->changeAnalysis(*a, 3);
    EXPECT_EQ(a->type(), 3);
    ASSERT_TRUE(a->left());
    EXPECT_EQ(a->left()->name(), "Weight");
    EXPECT_FALSE(a->right());
    EXPECT_TRUE(m->analysisCanRun(*a) == false);

    const size_t before = m->analyses().size();
    m->removeAnalysis(*a);
    EXPECT_EQ(m->analyses().size(), before - 1);
}

TEST_F(EditingTest, ColumnsOfferedToEachSlot) {
    struct Col {
        const char* name;
        int64_t type;
        int64_t obs, numeric, dates, levels;
    };
    const Col defs[] = {
        {"cat50", 1, 100, 0, 0, 50}, {"num21", 3, 100, 100, 0, 21},  {"num20", 3, 100, 100, 0, 20},
        {"yesno", 2, 100, 0, 0, 2},  {"zeroOne", 2, 100, 100, 0, 2}, {"date", 4, 100, 0, 100, 30},
        {"emptyNum", 3, 0, 0, 0, 0}, {"untyped", -1, 10, 10, 0, 2},
    };
    std::vector<std::string> all;
    for (const auto& d : defs)
        all.push_back(d.name);
    m->addColumns(all);
    auto cols = m->columns();
    for (size_t i = 0; i < cols.size(); ++i) {
        const auto& d = defs[i];
        cols[i]->setType(d.type < 0 ? std::nullopt : std::optional<int64_t>(d.type));
        cols[i]->setObs(d.obs);
        cols[i]->setObsNumeric(d.numeric);
        cols[i]->setObsDate(d.dates);
        cols[i]->setLevels(d.levels);
    }
    using V = std::vector<std::string>;
    struct Case {
        uint64_t type, position;
        V offered;
    };
    const Case cases[] = {
        {1, 1, {"cat50", "yesno", "zeroOne"}},
        {2, 1, {"num21", "num20", "zeroOne", "date"}},
        {2, 2, {"cat50", "num20", "yesno", "zeroOne", "emptyNum"}},
        {3, 2, {"num21", "num20", "zeroOne", "date"}},
        {4, 3, {"num21", "num20", "yesno", "zeroOne", "emptyNum"}},
        {5, 1, {"num21", "num20", "yesno", "zeroOne", "date", "emptyNum"}},
        {0, 1, {}},
        {7, 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.position));
        EXPECT_EQ(names(m->columnsForAnalysisType(c.type, c.position)), c.offered);
    }
    EXPECT_EQ(Model::variableTypesForAnalysisType(2, 1), (std::set<int64_t>{2, 3, 4}));
    EXPECT_EQ(Model::variableTypesForAnalysisType(2, 3), (std::set<int64_t>{1, 2, 3, 4}));
    EXPECT_EQ(names(m->columnsOfTypes({2, 0})), (V{"yesno", "zeroOne"}));

    // A regression's further variables leave out its dependent one.
    EXPECT_EQ(names(m->columnsToAddToAnalysisType(4, 3, cols[1].get(), {})),
              (V{"num20", "yesno", "zeroOne", "emptyNum"}));
    auto regression = m->addAnalysis("r");
    regression->setType(4);
    regression->setLeft(cols[2].get());
    EXPECT_EQ(names(m->columnsToAddToAnalysis(*regression, 3)), (V{"num21", "yesno", "zeroOne", "emptyNum"}));
    EXPECT_EQ(names(m->columnsToAddToAnalysis(*regression, 1)), (V{"num21", "num20", "date", "emptyNum"}));
    regression->setDistribution(2);
    EXPECT_EQ(names(m->columnsToAddToAnalysis(*regression, 1)), (V{"yesno", "zeroOne", "untyped"}));
    auto test = m->addAnalysis("t");
    test->setType(5);
    EXPECT_EQ(names(m->columnsToAddToAnalysis(*test, 2)), (V{"num21", "num20", "date", "emptyNum"}));
}

TEST_F(StoreTest, HelpTipCounters) {
    foundation::UserDefaults::setStandardPath(path("defaults.json"));
    EXPECT_EQ(Model::timesSeenHelpKey("browse"), 0);
    Model::incrementTimesSeenHelpKey("browse");
    Model::incrementTimesSeenHelpKey("browse");
    Model::incrementTimesSeenHelpKey("import");
    EXPECT_EQ(Model::timesSeenHelpKey("browse"), 2);
    EXPECT_EQ(Model::timesSeenHelpKey("import"), 1);
    EXPECT_EQ(Model::timesSeenHelpKey("newVariable"), 0);
    Model::resetTimesSeenHelp();
    EXPECT_EQ(Model::timesSeenHelpKey("browse"), 0);
    EXPECT_FALSE(foundation::UserDefaults::standard().object("timesSeenHelp"));
    foundation::UserDefaults::setStandardPath("");
}

TEST_F(EditingTest, ColoursAndTokens) {
    constexpr double k = 200.0 / 255.0;
    const std::pair<uint64_t, RGBAColor> colours[] = {
        {1, {1, 1, k, 1}},
        {2, {k, 1, k, 1}},
        {3, {k, 1, 1, 1}},
        {4, {1, k, 1, 1}},
        {0, {2.0 / 3, 2.0 / 3, 2.0 / 3, 1}},
        {9, {2.0 / 3, 2.0 / 3, 2.0 / 3, 1}},
    };
    for (const auto& [type, colour] : colours)
        EXPECT_EQ(Model::colorForVariableType(type), colour) << type;

    m->addColumns({"Weight", "Group"});
    auto cols = m->columns();
    cols[0]->setType(3);
    auto label = Model::labelForColumn(*cols[0], {5, 6, 100, 20});
    EXPECT_EQ(label.text, "Weight");
    EXPECT_EQ(label.frame, (TokenRect{5, 6, 100, 20}));
    EXPECT_DOUBLE_EQ(label.fontSize, 16);
    EXPECT_DOUBLE_EQ(label.cornerRadius, 10);
    EXPECT_DOUBLE_EQ(label.extraWidth, 20);
    EXPECT_EQ(label.borderWidth, 1);
    EXPECT_EQ(label.border, (RGBAColor{0, 0, 0, 1}));
    EXPECT_EQ(label.background, Model::colorForVariableType(3));
    EXPECT_EQ(Model::labelForColumn(*cols[1], {0, 0, 40, 20}).background, Model::colorForVariableType(0));

    auto view = Model::viewWithString("Mean of __VAR__ by __VAR__.", cols, {0, 0, 300, 24});
    ASSERT_EQ(view.pieces.size(), 5u);
    EXPECT_EQ(view.pieces[0].text, "Mean of ");
    ASSERT_TRUE(view.pieces[1].token);
    EXPECT_EQ(view.pieces[1].token->text, "Weight");
    EXPECT_EQ(view.pieces[1].token->frame, (TokenRect{0, 0, 40, 24}));
    EXPECT_EQ(view.pieces[2].text, " by ");
    EXPECT_EQ(view.pieces[3].token->text, "Group");
    EXPECT_EQ(view.pieces[4].text, ".");
    EXPECT_FALSE(view.pieces[4].token);
    // More placeholders than columns: the extra one shows no other column.
    auto short_ = Model::viewWithString("__VAR__ and __VAR__", {cols[1]}, {0, 0, 300, 24});
    ASSERT_EQ(short_.pieces.size(), 4u);
    EXPECT_EQ(short_.pieces[0].text, "");
    EXPECT_EQ(short_.pieces[1].token->text, "Group");
    EXPECT_EQ(short_.pieces[2].text, " and ");
    EXPECT_FALSE(short_.pieces[3].token);
}
