// The six stored entities of a workspace: Row, Column, Cell, Analysis, WhereClause, Metadata.
// Numbers that this system always sets read as plain integers; values whose absence means something
// (a type not chosen, statistics not computed, no stored test) read as std::optional.
#pragma once

#include "platform/store/ManagedObject.h"
#include "platform/store/Schema.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Row;
class Column;
class Cell;
class Analysis;
class WhereClause;
class Metadata;

// The schema of the workspace file (version in PRAGMA user_version).
std::shared_ptr<const store::Schema> workspaceSchema();

class Row : public store::StoredObject<1> {
  public:
    static constexpr const char* entityName = "Row";
    enum Slot { kNum };

    int64_t num() const { return integerAt(kNum).value_or(0); }
    void setNum(int64_t v) { setInteger(kNum, v); }
    // Only cells of older workspaces are linked; every fetch of this system uses Cell.rowNum.
    std::vector<std::shared_ptr<Cell>> cells() const;
};

class Column : public store::StoredObject<23> {
  public:
    static constexpr const char* entityName = "Column";
    enum Slot {
        kName,
        kNum,
        kOrder,
        kType,
        kObs,
        kObsNumeric,
        kObsDate,
        kLevels,
        kLevelsDate,
        kMin,
        kMax,
        kMean,
        kSd,
        kPc25,
        kPc50,
        kPc75,
        kMinDate,
        kMaxDate,
        kMeanDate,
        kSdDate,
        kPc25Date,
        kPc50Date,
        kPc75Date,
    };

    const std::string& name() const { return textRef(kName); }
    void setName(std::string v) { setText(kName, std::move(v)); }
    int64_t num() const { return integerAt(kNum).value_or(0); }
    void setNum(int64_t v) { setInteger(kNum, v); }
    int64_t order() const { return integerAt(kOrder).value_or(0); }
    void setOrder(int64_t v) { setInteger(kOrder, v); }
    // VariableType code; nothing for a column not typed yet (which counts as 0, Unknown).
    std::optional<int64_t> type() const { return integerAt(kType); }
    void setType(std::optional<int64_t> v) { setInteger(kType, v); }

    // Cached statistics; nothing means not computed. min and max keep the exact decimal digits of the
    // parsed numbers as text in the C locale ("12.50", "-3").
    std::optional<int64_t> obs() const { return integerAt(kObs); }
    std::optional<int64_t> obsNumeric() const { return integerAt(kObsNumeric); }
    std::optional<int64_t> obsDate() const { return integerAt(kObsDate); }
    std::optional<int64_t> levels() const { return integerAt(kLevels); }
    std::optional<int64_t> levelsDate() const { return integerAt(kLevelsDate); }
    std::optional<std::string> min() const { return textAt(kMin); }
    std::optional<std::string> max() const { return textAt(kMax); }
    std::optional<double> mean() const { return doubleAt(kMean); }
    std::optional<double> sd() const { return doubleAt(kSd); }
    std::optional<double> pc25() const { return doubleAt(kPc25); }
    std::optional<double> pc50() const { return doubleAt(kPc50); }
    std::optional<double> pc75() const { return doubleAt(kPc75); }
    std::optional<double> minDate() const { return doubleAt(kMinDate); }
    std::optional<double> maxDate() const { return doubleAt(kMaxDate); }
    std::optional<double> meanDate() const { return doubleAt(kMeanDate); }
    std::optional<double> sdDate() const { return doubleAt(kSdDate); }
    std::optional<double> pc25Date() const { return doubleAt(kPc25Date); }
    std::optional<double> pc50Date() const { return doubleAt(kPc50Date); }
    std::optional<double> pc75Date() const { return doubleAt(kPc75Date); }
    void setObs(std::optional<int64_t> v) { setInteger(kObs, v); }
    void setObsNumeric(std::optional<int64_t> v) { setInteger(kObsNumeric, v); }
    void setObsDate(std::optional<int64_t> v) { setInteger(kObsDate, v); }
    void setLevels(std::optional<int64_t> v) { setInteger(kLevels, v); }
    void setLevelsDate(std::optional<int64_t> v) { setInteger(kLevelsDate, v); }
    void setMin(std::optional<std::string> v) { setText(kMin, std::move(v)); }
    void setMax(std::optional<std::string> v) { setText(kMax, std::move(v)); }
    void setMean(std::optional<double> v) { setDouble(kMean, v); }
    void setSd(std::optional<double> v) { setDouble(kSd, v); }
    void setPc25(std::optional<double> v) { setDouble(kPc25, v); }
    void setPc50(std::optional<double> v) { setDouble(kPc50, v); }
    void setPc75(std::optional<double> v) { setDouble(kPc75, v); }
    void setMinDate(std::optional<double> v) { setDouble(kMinDate, v); }
    void setMaxDate(std::optional<double> v) { setDouble(kMaxDate, v); }
    void setMeanDate(std::optional<double> v) { setDouble(kMeanDate, v); }
    void setSdDate(std::optional<double> v) { setDouble(kSdDate, v); }
    void setPc25Date(std::optional<double> v) { setDouble(kPc25Date, v); }
    void setPc50Date(std::optional<double> v) { setDouble(kPc50Date, v); }
    void setPc75Date(std::optional<double> v) { setDouble(kPc75Date, v); }

    std::vector<std::shared_ptr<Cell>> cells() const; // older workspaces only, as Row::cells
    std::vector<std::shared_ptr<Analysis>> analyses() const;
    std::vector<std::shared_ptr<Analysis>> leftOf() const;
    std::vector<std::shared_ptr<Analysis>> rightOf() const;
    std::vector<std::shared_ptr<WhereClause>> xOfWhere() const;
};

class Cell : public store::StoredObject<5> {
  public:
    static constexpr const char* entityName = "Cell";
    enum Slot { kData, kColNum, kRowNum, kRow, kColumn };

    // The value as text; "" is a missing value.
    const std::string& data() const { return textRef(kData); }
    void setData(std::string v) { setText(kData, std::move(v)); }
    // Nothing only for a cell of an older workspace that had neither column nor row.
    std::optional<int64_t> colNum() const { return integerAt(kColNum); }
    std::optional<int64_t> rowNum() const { return integerAt(kRowNum); }
    void setColNum(std::optional<int64_t> v) { setInteger(kColNum, v); }
    void setRowNum(std::optional<int64_t> v) { setInteger(kRowNum, v); }
    std::shared_ptr<Row> row() const;
    std::shared_ptr<Column> column() const;
    void setRow(const Row* r) { setToOne(kRow, r); }
    void setColumn(const Column* c) { setToOne(kColumn, c); }
};

class Analysis : public store::StoredObject<16> {
  public:
    static constexpr const char* entityName = "Analysis";
    enum Slot {
        kName,
        kLastOpened,
        kType,
        kSamples,
        kIsPaired,
        kDistribution,
        kTails,
        kTest,
        kExpected,
        kLeftLevel1,
        kRightLevel1,
        kIncludeMissing,
        kTwoWayPercAgg,
        kTwoWayPercDisplay,
        kLeft,
        kRight,
    };

    const std::string& name() const { return textRef(kName); }
    void setName(std::string v) { setText(kName, std::move(v)); }
    std::optional<double> lastOpened() const { return doubleAt(kLastOpened); } // seconds since 1970
    void setLastOpened(std::optional<double> v) { setDouble(kLastOpened, v); }
    int64_t type() const { return integerAt(kType).value_or(0); } // AnalysisType; 0 not chosen
    void setType(int64_t v) { setInteger(kType, v); }
    int64_t samples() const { return integerAt(kSamples).value_or(0); }
    void setSamples(int64_t v) { setInteger(kSamples, v); }
    bool isPaired() const { return integerAt(kIsPaired).value_or(0) != 0; }
    void setIsPaired(bool v) { setInteger(kIsPaired, v ? 1 : 0); }
    int64_t distribution() const { return integerAt(kDistribution).value_or(0); }
    void setDistribution(int64_t v) { setInteger(kDistribution, v); }
    int64_t tails() const { return integerAt(kTails).value_or(0); }
    void setTails(int64_t v) { setInteger(kTails, v); }
    std::optional<int64_t> test() const { return integerAt(kTest); } // nothing: chosen from the data
    void setTest(std::optional<int64_t> v) { setInteger(kTest, v); }
    std::optional<std::string> expected() const { return textAt(kExpected); } // exact decimal text
    void setExpected(std::optional<std::string> v) { setText(kExpected, std::move(v)); }
    std::optional<std::string> leftLevel1() const { return textAt(kLeftLevel1); }
    void setLeftLevel1(std::optional<std::string> v) { setText(kLeftLevel1, std::move(v)); }
    std::optional<std::string> rightLevel1() const { return textAt(kRightLevel1); }
    void setRightLevel1(std::optional<std::string> v) { setText(kRightLevel1, std::move(v)); }
    bool includeMissing() const { return integerAt(kIncludeMissing).value_or(0) != 0; }
    void setIncludeMissing(bool v) { setInteger(kIncludeMissing, v ? 1 : 0); }
    int64_t twoWayPercAgg() const { return integerAt(kTwoWayPercAgg).value_or(0); }
    void setTwoWayPercAgg(int64_t v) { setInteger(kTwoWayPercAgg, v); }
    int64_t twoWayPercDisplay() const { return integerAt(kTwoWayPercDisplay).value_or(0); }
    void setTwoWayPercDisplay(int64_t v) { setInteger(kTwoWayPercDisplay, v); }

    std::shared_ptr<Column> left() const;
    std::shared_ptr<Column> right() const;
    void setLeft(const Column* c) { setToOne(kLeft, c); }
    void setRight(const Column* c) { setToOne(kRight, c); }
    std::vector<std::shared_ptr<Column>> columns() const;
    void addColumnsObject(Column& c) { addToMany("columns", c); }
    void removeColumnsObject(Column& c) { removeFromMany("columns", c); }
    std::vector<std::shared_ptr<WhereClause>> wheres() const;
    std::vector<std::shared_ptr<WhereClause>> wheres2() const;
    void addWheresObject(WhereClause& w);
    void removeWheresObject(WhereClause& w);
    void addWheres2Object(WhereClause& w);
    void removeWheres2Object(WhereClause& w);
};

class WhereClause : public store::StoredObject<6> {
  public:
    static constexpr const char* entityName = "WhereClause";
    enum Slot { kOp, kC, kLevels, kX, kWhereOfAnalysis, kWhere2OfAnalysis };

    int64_t op() const { return integerAt(kOp).value_or(0); } // FilterOperator
    void setOp(int64_t v) { setInteger(kOp, v); }
    // Nothing when the condition has no constant (an "IN" condition, say).
    std::optional<std::string> c() const { return textAt(kC); }
    void setC(std::optional<std::string> v) { setText(kC, std::move(v)); }
    // The levels of an "IN" condition, a set kept sorted and without duplicates.
    std::vector<std::string> levels() const { return textSetAt(kLevels); }
    void setLevels(const std::vector<std::string>& v) { setTextSet(kLevels, v); }
    std::shared_ptr<Column> x() const;
    void setX(const Column* c) { setToOne(kX, c); }
    std::shared_ptr<Analysis> whereOfAnalysis() const;
    std::shared_ptr<Analysis> where2OfAnalysis() const;
    void setWhereOfAnalysis(const Analysis* a) { setToOne(kWhereOfAnalysis, a); }
    void setWhere2OfAnalysis(const Analysis* a) { setToOne(kWhere2OfAnalysis, a); }
};

class Metadata : public store::StoredObject<2> {
  public:
    static constexpr const char* entityName = "Metadata";
    enum Slot { kKey, kValue };

    const std::string& key() const { return textRef(kKey); }
    void setKey(std::string v) { setText(kKey, std::move(v)); }
    std::optional<std::string> value() const { return textAt(kValue); }
    void setValue(std::optional<std::string> v) { setText(kValue, std::move(v)); }
};
