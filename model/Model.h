// The data layer through which every screen and task reaches the open workspace: the store stack
// (coordinator and context), opening, closing and saving, metadata, the status line and the fetches.
// The shared instance is used on the main thread only; a background task makes its own Model with
// Model(), gives it the shared coordinator and a new context, and re-fetches objects by their ids.
#pragma once

#include "model/ColumnStatistics.h"
#include "model/Entities.h"
#include "model/HypothesisTestResult.h"
#include "model/ModelText.h"
#include "model/RegressionResult.h"
#include "model/SummaryResults.h"
#include "model/VariableTokens.h"
#include "model/WhereClauseObj.h"
#include "platform/store/Context.h"
#include "platform/store/Coordinator.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

class QVStatistics;

class Model {
  public:
    // The form of the status line: the desktop window uses the tablet form. Set by the host.
    enum class Idiom { Phone, Pad };

    // The process-wide instance for the main thread: a coordinator and a context, no store yet.
    static Model& sharedModel();
    // A bare instance without coordinator or context.
    Model();
    ~Model();
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    static std::shared_ptr<const store::Schema> managedObjectModel() { return workspaceSchema(); }
    const std::shared_ptr<store::Context>& managedObjectContext() const { return context_; }
    void setManagedObjectContext(std::shared_ptr<store::Context> context) { context_ = std::move(context); }
    const std::shared_ptr<store::Coordinator>& persistentStoreCoordinator() const { return coordinator_; }
    void setPersistentStoreCoordinator(std::shared_ptr<store::Coordinator> c) { coordinator_ = std::move(c); }
    QVStatistics& functions();

    // --- Stack and store ---
    // Opens a workspace file, creating it when it does not exist. A file that cannot be opened as a
    // workspace is reported (log and store-error hook, once) and left untouched.
    void openStore(const std::string& path);
    void closeStores();
    // Commits the context's unsaved changes; a failure is reported and the changes are kept.
    void saveContext();
    std::optional<std::string> currentStore() const;
    // Raises the store-error hook (the UI shows its "Error!" alert there).
    void showCoreDataError();
    // The one hook for store failures, set once by the host (tests set their own).
    static void setStoreErrorHandler(std::function<void()> handler);
    // While set, saves do not wait for the disk; clearing it flushes the file once. For a workspace file
    // that an import is creating: it is not the user's file until the import ends.
    void setWritesWithoutSync(bool on);

    // --- Metadata ---
    std::shared_ptr<Metadata> metadataForKey(const std::string& key);
    std::optional<std::string> metadataValueForKey(const std::string& key);
    void setMetadataValue(const std::string& value, const std::string& key); // saves
    // Whether the workspace was made from the example data shipped in the resources folder.
    bool isDemo();
    static void setResourcesFolder(const std::string& folder);
    static std::string resourcesFolder();
    std::string statusLine();
    void setUserInterfaceIdiom(Idiom idiom) { idiom_ = idiom; }
    Idiom userInterfaceIdiom() const { return idiom_; }

    // --- Fetches (a failed fetch answers empty; a busy lock is waited out, never answered empty) ---
    std::vector<std::shared_ptr<Analysis>> analyses(); // by lastOpened, newest first
    std::vector<std::shared_ptr<Column>> columns();    // by order
    std::vector<std::shared_ptr<Row>> rows();          // by num
    uint64_t countColumns();
    uint64_t countRows();
    std::shared_ptr<Column> columnNumber(uint64_t n);
    std::shared_ptr<Row> rowNumber(uint64_t n);
    std::vector<std::shared_ptr<Cell>> cellsForRow(const Row& row,
                                                   const std::vector<store::SortDescriptor>& sort = {});
    // rows: nothing for every row, an empty list for none.
    std::vector<std::shared_ptr<Cell>>
    cellsForColumn(const Column& column, const std::vector<store::SortDescriptor>& sort = {},
                   const std::optional<std::vector<int64_t>>& rows = std::nullopt);
    // The distinct non-empty texts of the column, in no particular order; nothing for no column.
    std::optional<std::vector<std::string>> distinctValuesForColumn(const Column* column);
    void dropAll(const std::string& entityName); // saves
    void dropAll();                              // Cell, Row, Column, Analysis, WhereClause

    // --- The import's writes ---
    // One Column per name, num and order from 0, type Unknown; saves.
    void addColumns(const std::vector<std::string>& names);
    // A Row numbered rowNum and one Cell per given column holding data[column.num] ("" past the end).
    // Does not save; no objects are kept for the new rows.
    void addRow(uint64_t rowNum, const std::vector<std::string>& data,
                const std::vector<std::shared_ptr<Column>>& columns);
    // Consecutive new rows gathered for addRows, each column's texts of them kept together.
    class RowBatch {
      public:
        // Starts an empty batch whose first row will be numbered firstRowNum, for the given columns
        // (nums from 0).
        void start(uint64_t firstRowNum, const std::vector<std::shared_ptr<Column>>& columns);
        // The next row: data[column.num] for each column ("" past the end).
        void add(const std::vector<std::string>& data);
        void clear();
        bool empty() const { return rows_ == 0; }
        uint64_t firstRowNum() const { return firstRowNum_; }
        uint64_t rows() const { return rows_; }
        // The row that would come next.
        uint64_t endRowNum() const { return firstRowNum_ + rows_; }

      private:
        friend class Model;
        uint64_t firstRowNum_ = 0, rows_ = 0;
        std::vector<int64_t> nums_;
        std::vector<store::PackedTexts> texts_;
    };
    // The batch's rows, stored as addRow stores them one by one (the same objects, ids and texts),
    // each column's cells of them written as whole records. Does not save.
    void addRows(const RowBatch& batch);
    // How many consecutive rows of a column one record of cells holds: a batch that ends at a
    // multiple of it leaves no record to be rewritten by the next batch.
    static uint64_t rowsPerCellRecord();

    // --- Reading cell text and the display texts (ModelText) ---
    // The number readers follow the open workspace's "decimalSeparator"; opening a workspace drops
    // them, and so must whoever stores a new separator. The date reader is never dropped.
    static std::optional<std::string> localeForDecimalPoint(std::string_view separator) {
        return ModelText::localeForDecimalPoint(separator);
    }
    foundation::NumberFormatter& readDecimal() { return text_.readDecimal(); }
    foundation::NumberFormatter& readPercent() { return text_.readPercent(); }
    foundation::NumberFormatter& readCurrency() { return text_.readCurrency(); }
    void setReadDecimal(std::unique_ptr<foundation::NumberFormatter> f) {
        text_.setReadDecimal(std::move(f));
    }
    void setReadPercent(std::unique_ptr<foundation::NumberFormatter> f) {
        text_.setReadPercent(std::move(f));
    }
    void setReadCurrency(std::unique_ptr<foundation::NumberFormatter> f) {
        text_.setReadCurrency(std::move(f));
    }
    foundation::DateReader& detectDate() { return text_.detectDate(); }
    void setDetectDate(std::unique_ptr<foundation::DateReader> reader) {
        text_.setDetectDate(std::move(reader));
    }
    std::optional<double> decimalNumberForString(std::string_view text) {
        return text_.decimalNumberForString(text);
    }
    std::optional<double> plainNumberForString(std::string_view text) { return text_.plainNumberForString(text); }
    std::optional<double> dateForString(std::string_view text) { return text_.dateForString(text); }

    static std::string stringFromNumber(double x) { return ModelText::stringFromNumber(x); }
    static std::string stringFromNumber(double x, unsigned sigDigits) {
        return ModelText::stringFromNumber(x, sigDigits);
    }
    static std::string stringFromPNumber(double p) { return ModelText::stringFromPNumber(p); }
    static ModelText::DateTimeStyles dateTimeStylesForInterval(double seconds) {
        return ModelText::dateTimeStylesForInterval(seconds);
    }
    static std::string stringFromDateNumber(double seconds, double timeScale = 0) {
        return ModelText::stringFromDateNumber(seconds, timeScale);
    }
    static std::string stringFromNumber(double x, unsigned type, unsigned sigDigits, double timeScale) {
        return ModelText::stringFromNumber(x, type, sigDigits, timeScale);
    }
    static std::string stringFromNumberOfType(double x, unsigned type) {
        return ModelText::stringFromNumberOfType(x, type);
    }
    static std::string stringFromNumberOfTypeTimeScale(double x, unsigned type, double timeScale) {
        return ModelText::stringFromNumberOfTypeTimeScale(x, type, timeScale);
    }
    static std::string stringFromNumberOfTypeWithSigDigits(double x, unsigned type, unsigned sigDigits) {
        return ModelText::stringFromNumberOfTypeWithSigDigits(x, type, sigDigits);
    }
    static std::string stringFromDifferenceNumber(double difference, unsigned type, unsigned sigDigits) {
        return ModelText::stringFromDifferenceNumber(difference, type, sigDigits);
    }

    // --- Column statistics, type guess, value vectors and frequencies ---
    // (ModelBasicStats.cpp, ModelFrequencies.cpp)
    BasicStats basicStatsForCells(const std::vector<std::shared_ptr<Cell>>& cells);
    // The statistics of the given cells stored on the column; does not save.
    void basicStatsForColumn(Column& column, const std::vector<std::shared_ptr<Cell>>& cells);
    // The same over every cell of the column; does not save.
    void basicStatsForColumn(Column& column);
    // Every cell of the column, the column left untouched (for a background Model).
    BasicStats dictBasicStatsForColumn(const Column& column);
    // The same for the columns numbered nums (in that order), each read on its own (straight from
    // its records when it has no cell kept loose); one column's texts are held at a time.
    std::vector<BasicStats> dictBasicStatsForColumns(const std::vector<int64_t>& nums);
    // The statistics that cells with these texts, in this order, give.
    BasicStats basicStatsForTexts(const std::vector<std::string_view>& texts);
    // An absent entry clears its attribute; does not save.
    static void applyBasicStats(const BasicStats& stats, Column& column);
    // Whether an attribute that the column's type needs is missing.
    static bool needCalcBasicStatsForColulmn(const Column& column);
    // Computes and saves the cache first when it is missing.
    BasicStatsSummary retrieveBasicStatsForColumn(Column& column);
    static int64_t guessTypeOfColumn(const Column& column);
    static std::vector<int64_t> variableTypesForColumn(const Column& column);
    // The texts that read as numbers (for type 4: as dates, in seconds), in cell order.
    std::vector<double> numericOfCells(const std::vector<std::shared_ptr<Cell>>& cells);
    std::vector<double> numericOfCells(const std::vector<std::shared_ptr<Cell>>& cells, int64_t type);
    std::vector<double> numericOfColumn(const Column& column);
    // The empty text is coded like any other level.
    Factor factorOfCategorical(const std::vector<std::shared_ptr<Cell>>& cells, const FactorCodes* levels);

    FrequencyDictionary frequenciesOfCells(const std::vector<std::shared_ptr<Cell>>& cells);
    FrequencyDictionary frequenciesOfColumn(const Column& column);
    static LevelLists dictionary(const FrequencyDictionary& frequencies, uint64_t top);
    // At most top entries, "Others" included; top 0 gives nothing.
    TopFrequencies frequenciesOfCells(const std::vector<std::shared_ptr<Cell>>& cells, uint64_t top);
    TopFrequencies frequenciesOfColumn(const Column& column, uint64_t top);
    // range: [lower, upper], or nothing for the extremes of the values. Values that are not finite are
    // left out.
    static HistogramBins histogramOfVector(const std::vector<double>& values, uint64_t bins,
                                           const std::optional<std::array<double, 2>>& range, bool percent,
                                           bool optimize);
    static HistogramBins histogramOfVector(const std::vector<double>& values, uint64_t bins);
    // Categorical and Binary columns give their top levels, the others a histogram of their numbers.
    std::variant<TopFrequencies, HistogramBins> frequenciesOfColumnBuckets(const Column& column,
                                                                           uint64_t buckets);
    // --- End of column statistics ---

    // --- Filters, and editing columns, rows and analyses (ModelFilters.cpp, ModelEditing.cpp) ---
    // Row numbers of the rows that pass every condition, ascending; nothing when there is no condition
    // (all rows), an empty list when no row passes.
    std::optional<std::vector<int64_t>> rowsWhere(const std::vector<WhereClauseObj>& wheres);
    // The Browse screen's filter: one condition per column, keyed by the column's num.
    std::optional<std::vector<int64_t>> rowsWhere(const std::map<int64_t, WhereClauseObj>& wheres);
    std::optional<std::vector<int64_t>>
    rowsWhereClauses(const std::vector<std::shared_ptr<WhereClause>>& wheres);
    // Sample 1; sample 2 is rowsWhereClauses(analysis.wheres2()).
    std::optional<std::vector<int64_t>> rowsWhereAnalysis(const Analysis& analysis);
    static std::string stringForOperatorType(uint64_t op);
    std::string stringForWhere(const WhereClauseObj& where);
    // In the given order, joined by " & ".
    std::string stringForWheres(const std::vector<WhereClauseObj>& wheres);
    // In a fixed order (column number, operator, constant), so a stored filter always reads the same.
    std::string stringForWhereSet(std::vector<WhereClauseObj> wheres);
    std::string stringForWhereClauses(const std::vector<std::shared_ptr<WhereClause>>& wheres);
    std::string stringForWhereAnalysis(const Analysis& analysis);

    // Posted on the main thread when a column has been removed; user info {"num": the column's num}.
    static constexpr const char* ColumnRemovedNotification = "column removed";

    // Neither saves: the caller batches its changes.
    void addEmptyRow();
    std::shared_ptr<Column> addEmptyColumn();
    // Also removes the filters on the column and takes it out of every analysis; saves and posts
    // ColumnRemovedNotification.
    void removeColumn(Column& column);
    // A new column whose cell in each row is formula(x, y, c) of that row's cells of x and y (paired by
    // row number). A given input whose cell is empty or not a number gives "" without calling the
    // formula; a result that is not finite gives "". Saves.
    std::shared_ptr<Column> addColumnNamed(const std::string& name, const Column* x, const Column* y,
                                           double c,
                                           const std::function<double(double, double, double)>& formula);
    bool nameIsValid(const std::string& name);
    void changeColumn(Column& column, int64_t type); // saves

    std::shared_ptr<Analysis> addAnalysis(const std::string& name); // saves
    // Both columns go into `columns`; the type follows the number of Numeric ones. Saves.
    std::shared_ptr<Analysis> addAnalysis(const std::string& name, Column& left, Column& right);
    void removeAnalysis(Analysis& analysis);               // saves
    void changeAnalysis(Analysis& analysis, int64_t type); // saves
    // Position 1 left, 2 right, 3 the further columns; saves.
    void addColumn(Column& column, Analysis& analysis, int64_t position);
    static bool analysisTypeCanRun(int64_t type, const Column* left, const Column* right,
                                   const std::vector<std::shared_ptr<Column>>& columns);
    static bool analysisCanRun(const Analysis& analysis);

    std::vector<std::shared_ptr<Column>> columnsOfTypes(const std::set<int64_t>& types);
    static std::set<int64_t> variableTypesForAnalysisType(uint64_t type, uint64_t position);
    std::vector<std::shared_ptr<Column>> columnsForAnalysisType(uint64_t type, uint64_t position);
    std::vector<std::shared_ptr<Column>>
    columnsToAddToAnalysisType(uint64_t type, uint64_t position, const Column* left,
                               const std::vector<std::shared_ptr<Column>>& columns);
    std::vector<std::shared_ptr<Column>> columnsToAddToAnalysis(const Analysis& analysis, int64_t position);

    // Per-user counters of help tips shown, under "timesSeenHelp" in the standard user defaults.
    static int64_t timesSeenHelpKey(const std::string& key);
    static void incrementTimesSeenHelpKey(const std::string& key);
    static void resetTimesSeenHelp();
    static RGBAColor colorForVariableType(uint64_t type);
    static TokenLabel labelForColumn(const Column& column, TokenRect rect);
    // The template's text with one token per "__VAR__", the k-th placeholder showing the k-th column.
    static TokenView viewWithString(const std::string& text,
                                    const std::vector<std::shared_ptr<Column>>& columns, TokenRect rect);
    // --- End of filters and editing ---

    // --- Regression, correlation and hypothesis tests (ModelRegression.cpp, ModelCorrelation.cpp,
    // ModelHypothesisTests.cpp) ---
    // Rows: nothing for every row, an empty list for none. Values of different columns are paired by
    // row number; a row without a value in any column is left out of all of them. Dates enter in
    // seconds since 1970. A binary column is coded 0/1 by the given levels, else by numeric order when
    // both levels read as numbers, else in the order met; an empty text, or a code other than 0 and 1,
    // is a missing value.
    DesignMatrix numericOfColumns(const std::vector<std::shared_ptr<Column>>& columns,
                                  const std::optional<std::vector<int64_t>>& rows = std::nullopt,
                                  const DesignMetadata* metadata = nullptr);
    // Drops constant and collinear regressors (the earlier of a collinear pair), appends the constant
    // and fits; no names set.
    RegressionResult olsY(const std::vector<double>& y, std::vector<std::vector<double>> X, bool logit);
    // A logistic response is coded by levels (the chosen level 1, the others 0).
    RegressionResult ols(const Column& Y, const std::vector<std::shared_ptr<Column>>& Xs,
                         const std::optional<std::vector<int64_t>>& rows, bool isLogit,
                         const FactorCodes* levels);
    static bool regressionTypeOfAnalysis(const Analysis& analysis);
    // A binary column's mean is the share of its more frequent level.
    double meanOfColumn(const Column& column);
    double sdOfColumn(const Column& column);
    double skewnessOfColumn(const Column& column);
    double kurtosisOfColumn(const Column& column);
    uint64_t countOfColumn(const Column& column);
    std::map<double, double> percentilesOfColumn(const std::vector<double>& percentiles,
                                                 const Column& column);

    // Nothing when either column is missing.
    std::optional<CorrelationResult>
    correlationResultsForColumn(const Column* x, const Column* y,
                                const std::optional<std::vector<int64_t>>& rows);
    CorrelationOfData correlationOfData(const std::vector<std::vector<double>>& data);
    CorrelationOfData correlationOfColumn(const Column& x, const Column& y);

    // distribution: 0 or 1 means, 2 proportions; tails: 0 two-sided, 1 "less", 2 "greater"; test: 0 z,
    // 1 t, 2 exact binomial, 3 chi-square, 4 McNemar. Levels code the success 1, the other levels 0.
    // A missing expected value reads as 0.
    HypothesisTestResult hypothesisTestForColumn(const Column& column, std::optional<double> expectedValue,
                                                 const std::optional<std::vector<int64_t>>& rows,
                                                 uint64_t distribution, uint64_t tails, uint64_t test,
                                                 const FactorCodes* levels);
    HypothesisTestResult hypothesisTestForColumn(const Column& x, const Column& y,
                                                 const std::optional<std::vector<int64_t>>& rowsX,
                                                 const std::optional<std::vector<int64_t>>& rowsY,
                                                 uint64_t distribution, uint64_t tails, uint64_t test,
                                                 const FactorCodes* levelsX, const FactorCodes* levelsY);
    HypothesisTestResult
    hypothesisTestForColumnWithPairedColumn(const Column& x, const Column& y,
                                            const std::optional<std::vector<int64_t>>& rows,
                                            uint64_t distribution, uint64_t tails, uint64_t test,
                                            const FactorCodes* levelsX, const FactorCodes* levelsY);
    // The computations behind the three, on plain samples (proportions as 0/1 codes).
    HypothesisTestResult hypothesisForSample(const std::vector<double>& sample, double expected,
                                             uint64_t distribution, uint64_t tails, uint64_t test,
                                             bool paired);
    HypothesisTestResult hypothesisTestForSampleX(const std::vector<double>& x, const std::vector<double>& y,
                                                  uint64_t distribution, uint64_t tails, uint64_t test);
    HypothesisTestResult hypothesisTestForBinomialSample(const std::vector<int64_t>& x,
                                                         const std::vector<int64_t>& withPairedSample,
                                                         uint64_t tails, uint64_t test);
    // The two columns' codes over the rows both have a non-empty text in, and the codes used.
    struct PairedFactors {
        std::vector<std::vector<int64_t>> Xmat; // [codes of x, codes of y]
        std::vector<FactorCodes> code;          // [codes of x, codes of y]
    };
    PairedFactors twoByTwoPairedFactorX(const Column& x, const Column& y, const FactorCodes* levelsX,
                                        const FactorCodes* levelsY,
                                        const std::optional<std::vector<int64_t>>& rows);
    static uint64_t testForDistribution(uint64_t distribution, uint64_t samples, bool paired,
                                        uint64_t observations);
    static std::vector<uint64_t> validTestsForDistribution(uint64_t distribution, uint64_t samples,
                                                           bool paired);
    static std::string statForTest(uint64_t test);
    static std::optional<std::string> nameForTest(uint64_t test, uint64_t tails, uint64_t samples,
                                                  bool paired);
    // --- End of regression, correlation and hypothesis tests ---

    // --- Variable detail, two-way tables and grouped summaries (ModelVariableDetail.cpp,
    // ModelTwoWayTable.cpp, ModelGroupSummary.cpp) ---
    // Rows: nothing for every row, an empty list for none. Cells are read in ascending row number;
    // values of two columns are paired by row number. Dates enter in seconds since 1970.
    // Over every row, a stale cache of the column is refreshed and saved first.
    VariableDetailResult varDetailForColumn(Column& column, const std::optional<std::vector<int64_t>>& rows);
    // a's levels are the rows, b's the columns; at most top levels each, "Others" merging the rest.
    // percents: 0 shares of the grand total, 1 of the row totals, 2 of the column totals.
    TwoWayTableResult twoWayTabOfColumn(const Column& a, const Column& b, uint64_t top, int64_t percents,
                                        bool includeMissing, const std::optional<std::vector<int64_t>>& rows);
    // The values of `summarizing` in groups by the levels of `grouping` (at most top, "Others" merging
    // the rest), with a one-way analysis of variance. Rows with an empty grouping text are left out.
    GroupSummaryResult tabColumn(const Column& grouping, const Column& summarizing, uint64_t top,
                                 const std::optional<std::vector<int64_t>>& rows);
    // --- End of variable detail, two-way tables and grouped summaries ---

  private:
    void reportStoreError(const store::Error& error);
    void removeSibling(const std::string& path);
    void upgradeCellIndices();
    template <class T> std::vector<std::shared_ptr<T>> fetch(store::FetchRequest request);
    int64_t count(const char* entity);
    int64_t nextColumnNum();
    // A new column after the others, numbered after the highest number in use; null without a store.
    std::shared_ptr<Column> appendColumn();
    std::string decimalSeparatorForWriting();

    std::shared_ptr<store::Coordinator> coordinator_;
    std::shared_ptr<store::Context> context_;
    std::unique_ptr<QVStatistics> functions_;
    Idiom idiom_ = Idiom::Phone;
    // Asks this Model's own workspace for its separator each time the readers are built.
    ModelText text_{[this] { return metadataValueForKey("decimalSeparator"); }};
};
