// The store stack of a Model: opening (with the one-time cell-index upgrade), saving, metadata,
// the status line, the fetches, and the import's bulk writes.
#include "model/Model.h"

#include "platform/foundation/Log.h"
#include "platform/foundation/Tr.h"
#include "stats/QVStatistics.h"

#include <filesystem>
#include <mutex>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::mutex hookMutex;
std::function<void()>& storeErrorHandler() {
    static std::function<void()> handler;
    return handler;
}

std::mutex resourcesMutex;
std::string& resourcesFolderPath() {
    static std::string folder;
    return folder;
}

// Fills "%@", "%u", "%d" and "%lu" placeholders in order (texts come through tr, so the order is
// the translation's own).
std::string fill(const std::string& format, const std::vector<std::string>& args) {
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            size_t len = format.compare(i + 1, 2, "lu") == 0 ? 3 : 2;
            char kind = format[i + len - 1];
            if ((kind == '@' || kind == 'u' || kind == 'd') && next < args.size()) {
                out += args[next++];
                i += len - 1;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

std::string jsonIntegers(const std::vector<int64_t>& values) {
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i)
            out += ',';
        out += std::to_string(values[i]);
    }
    return out + "]";
}

} // namespace

Model& Model::sharedModel() {
    static Model* shared = [] {
        auto* m = new Model(); // lives for the process
        m->coordinator_ = std::make_shared<store::Coordinator>(workspaceSchema());
        m->context_ = std::make_shared<store::Context>(m->coordinator_);
        return m;
    }();
    return *shared;
}

Model::Model() = default;
Model::~Model() = default;

QVStatistics& Model::functions() {
    if (!functions_)
        functions_ = std::make_unique<QVStatistics>();
    return *functions_;
}

void Model::setStoreErrorHandler(std::function<void()> handler) {
    std::lock_guard lock(hookMutex);
    storeErrorHandler() = std::move(handler);
}

void Model::showCoreDataError() {
    std::function<void()> handler;
    {
        std::lock_guard lock(hookMutex);
        handler = storeErrorHandler();
    }
    if (handler)
        handler();
}

void Model::reportStoreError(const store::Error& error) {
    foundation::log("Unresolved error " + error.description() + ", " + error.userInfo());
    showCoreDataError();
}

void Model::openStore(const std::string& path) {
    closeStores();
    if (!coordinator_) {
        foundation::log("Cannot open a workspace on a Model without a store coordinator");
        return;
    }
    bool opened = true;
    if (auto error = coordinator_->addStore(path)) {
        reportStoreError(*error);
        opened = false;
    }
    removeSibling(path);
    // A file that did not open is neither upgraded nor saved: one alert, and the file stays as it was.
    if (opened) {
        upgradeCellIndices();
        saveContext();
    }
    // The next read builds readers for this workspace's decimal separator.
    text_.setReadDecimal(nullptr);
    text_.setReadPercent(nullptr);
    text_.setReadCurrency(nullptr);
}

void Model::closeStores() {
    if (!coordinator_)
        return;
    for (const auto& error : coordinator_->removeStores())
        reportStoreError(error);
}

void Model::removeSibling(const std::string& path) {
    fs::path p(path);
    fs::path sibling = p.parent_path() / (p.stem().string() + "~." +
                                          (p.has_extension() ? p.extension().string().substr(1) : ""));
    std::error_code ec;
    if (!fs::exists(sibling, ec))
        return;
    if (!fs::remove(sibling, ec) || ec)
        foundation::log("Unable to delete file: " + ec.message());
}

void Model::upgradeCellIndices() {
    if (metadataValueForKey("hasCellIndices") == std::optional<std::string>("YES"))
        return;
    if (!context_)
        return;
    // Cells of older workspaces name their row and column only through the links.
    context_->executeChange(
        "Cell", "UPDATE \"Cell\" SET "
                "\"colNum\" = CASE WHEN \"column\" IS NOT NULL THEN coalesce((SELECT \"num\" FROM \"Column\" "
                "WHERE \"Column\".\"id\" = \"Cell\".\"column\"), \"colNum\") ELSE \"colNum\" END, "
                "\"rowNum\" = CASE WHEN \"row\" IS NOT NULL THEN coalesce((SELECT \"num\" FROM \"Row\" "
                "WHERE \"Row\".\"id\" = \"Cell\".\"row\"), \"rowNum\") ELSE \"rowNum\" END "
                "WHERE \"colNum\" IS NULL OR \"rowNum\" IS NULL");
    context_->executeChange("Column", "UPDATE \"Column\" SET \"order\" = CAST(\"num\" AS INTEGER)");
    setMetadataValue("YES", "hasCellIndices");
}

void Model::saveContext() {
    if (!context_ || !context_->hasChanges())
        return;
    if (auto error = context_->save())
        reportStoreError(*error);
}

std::optional<std::string> Model::currentStore() const {
    if (!coordinator_)
        return std::nullopt;
    return coordinator_->firstStore();
}

void Model::setWritesWithoutSync(bool on) {
    if (coordinator_)
        coordinator_->setSynchronous(!on);
}

template <class T> std::vector<std::shared_ptr<T>> Model::fetch(store::FetchRequest request) {
    if (!context_)
        return {};
    return context_->fetch<T>(std::move(request));
}

int64_t Model::count(const char* entity) {
    if (!context_)
        return 0;
    store::FetchRequest r;
    r.entity = entity;
    return context_->countForFetchRequest(r);
}

std::shared_ptr<Metadata> Model::metadataForKey(const std::string& key) {
    // = in SQLite compares bytes: case- and diacritic-sensitive.
    auto found = fetch<Metadata>({"", "\"key\" = ?", {store::Value(key)}, {{"id", true}}, 1});
    return found.empty() ? nullptr : found.front();
}

std::optional<std::string> Model::metadataValueForKey(const std::string& key) {
    auto m = metadataForKey(key);
    if (!m)
        return std::nullopt;
    return m->value();
}

void Model::setMetadataValue(const std::string& value, const std::string& key) {
    if (!context_)
        return;
    auto m = metadataForKey(key);
    if (!m) {
        m = context_->insertNewObject<Metadata>();
        if (!m)
            return;
        m->setKey(key);
    }
    m->setValue(value);
    saveContext();
}

void Model::setResourcesFolder(const std::string& folder) {
    std::lock_guard lock(resourcesMutex);
    resourcesFolderPath() = folder;
}

std::string Model::resourcesFolder() {
    std::lock_guard lock(resourcesMutex);
    return resourcesFolderPath();
}

bool Model::isDemo() {
    auto source = metadataValueForKey("dataSource");
    std::string folder = resourcesFolder();
    if (!source || folder.empty())
        return false;
    fs::path p(*source);
    auto name = p.filename().string();
    if (name != "example.txt" && name != "example.csv")
        return false;
    std::error_code ec1, ec2;
    auto a = fs::weakly_canonical(p.parent_path(), ec1);
    auto b = fs::weakly_canonical(fs::path(folder), ec2);
    return !ec1 && !ec2 && a == b;
}

std::string Model::statusLine() {
    std::string name = "None", source = "N/A";
    uint64_t variables = 0, observations = 0;
    if (auto store = currentStore()) {
        name = fs::path(*store).filename().string();
        auto dataSource = metadataValueForKey("dataSource");
        source = dataSource ? fs::path(*dataSource).filename().string() : foundation::tr("N/A");
        variables = countColumns();
        observations = countRows();
    }
    if (source == "__EMPTY__")
        source = foundation::tr("Entered Manually");
    if (idiom_ == Idiom::Pad)
        return fill(foundation::tr("Open Workspace: %@, Source File: %@, Variables: %u, Observations: %u"),
                    {name, source, std::to_string(variables), std::to_string(observations)});
    return fill(foundation::tr("%@, %u Variables, %u Observations"),
                {name, std::to_string(variables), std::to_string(observations)});
}

std::vector<std::shared_ptr<Analysis>> Model::analyses() {
    return fetch<Analysis>({"", "", {}, {{"lastOpened", false}}, 0});
}

std::vector<std::shared_ptr<Column>> Model::columns() {
    return fetch<Column>({"", "", {}, {{"order", true}}, 0});
}

std::vector<std::shared_ptr<Row>> Model::rows() {
    return fetch<Row>({"", "", {}, {{"num", true}}, 0});
}

uint64_t Model::countColumns() {
    return static_cast<uint64_t>(count("Column"));
}

uint64_t Model::countRows() {
    return static_cast<uint64_t>(count("Row"));
}

std::shared_ptr<Column> Model::columnNumber(uint64_t n) {
    auto found = fetch<Column>({"", "\"num\" = ?", {store::Value(static_cast<int64_t>(n))}, {}, 0});
    if (found.empty())
        return nullptr;
    if (found.size() > 1)
        foundation::log("More than one column found with same number.");
    return found.front();
}

std::shared_ptr<Row> Model::rowNumber(uint64_t n) {
    auto found = fetch<Row>({"", "\"num\" = ?", {store::Value(static_cast<int64_t>(n))}, {}, 0});
    if (found.empty())
        return nullptr;
    if (found.size() > 1)
        foundation::log("More than one row found with same number.");
    return found.front();
}

std::vector<std::shared_ptr<Cell>> Model::cellsForRow(const Row& row,
                                                      const std::vector<store::SortDescriptor>& sort) {
    return fetch<Cell>({"", "\"rowNum\" = ?", {store::Value(row.num())}, sort, 0});
}

std::vector<std::shared_ptr<Cell>> Model::cellsForColumn(const Column& column,
                                                         const std::vector<store::SortDescriptor>& sort,
                                                         const std::optional<std::vector<int64_t>>& rows) {
    store::FetchRequest r{"", "\"colNum\" = ?", {store::Value(column.num())}, sort, 0};
    if (rows) {
        if (rows->empty())
            return {};
        r.predicate += " AND \"rowNum\" IN (SELECT value FROM json_each(?))";
        r.arguments.emplace_back(jsonIntegers(*rows));
    }
    return fetch<Cell>(std::move(r));
}

std::optional<std::vector<std::string>> Model::distinctValuesForColumn(const Column* column) {
    if (!column)
        return std::nullopt;
    std::vector<std::string> out;
    if (!context_)
        return out;
    store::FetchRequest r{"Cell", "\"colNum\" = ? AND \"data\" != ''", {store::Value(column->num())}, {}, 0};
    for (auto& v : context_->fetchValues(r, "data", true))
        if (auto text = store::asText(v))
            out.push_back(std::move(*text));
    return out;
}

void Model::dropAll(const std::string& entityName) {
    if (!context_)
        return;
    context_->deleteObjects(entityName);
    saveContext();
}

void Model::dropAll() {
    // Filters go too: a filter left behind would test a column of the next data that happens to
    // reuse its number.
    for (const char* entity : {"Cell", "Row", "Column", "Analysis", "WhereClause"})
        dropAll(entity);
}

void Model::addColumns(const std::vector<std::string>& names) {
    if (!context_)
        return;
    for (size_t i = 0; i < names.size(); ++i) {
        auto c = context_->insertNewObject<Column>();
        if (!c)
            return;
        c->setName(names[i]);
        c->setNum(static_cast<int64_t>(i));
        c->setOrder(static_cast<int64_t>(i));
        c->setType(0);
    }
    saveContext();
}

void Model::RowBatch::start(uint64_t firstRowNum, const std::vector<std::shared_ptr<Column>>& columns) {
    firstRowNum_ = firstRowNum;
    rows_ = 0;
    nums_.clear();
    for (const auto& column : columns)
        if (column)
            nums_.push_back(column->num());
    texts_.assign(nums_.size(), {});
}

void Model::RowBatch::add(const std::vector<std::string>& data) {
    for (size_t k = 0; k < nums_.size(); ++k) {
        const int64_t num = nums_[k];
        texts_[k].add(num >= 0 && static_cast<size_t>(num) < data.size()
                          ? std::string_view(data[static_cast<size_t>(num)])
                          : std::string_view());
    }
    ++rows_;
}

void Model::RowBatch::clear() {
    rows_ = 0;
    for (auto& t : texts_)
        t.clear();
}

uint64_t Model::rowsPerCellRecord() {
    const auto schema = workspaceSchema();
    const int cell = schema->entityIndex(Cell::entityName);
    const auto& packed = schema->entities[static_cast<size_t>(cell)].packed;
    return packed ? static_cast<uint64_t>(std::max(1, packed->runLength)) : 1;
}

void Model::addRows(const RowBatch& batch) {
    if (!context_ || batch.empty())
        return;
    const auto& schema = context_->schema();
    const int rowEntity = schema.entityIndex(Row::entityName),
              cellEntity = schema.entityIndex(Cell::entityName);
    static const std::vector<int> rowSlots{Row::kNum};
    std::vector<store::Value> rowValues;
    rowValues.reserve(batch.rows_);
    for (uint64_t i = 0; i < batch.rows_; ++i)
        rowValues.emplace_back(static_cast<int64_t>(batch.firstRowNum_ + i));
    context_->insertRows(rowEntity, rowSlots, std::move(rowValues));
    if (batch.nums_.empty())
        return;
    // The ids addRow would give: row after row, the columns in order within a row.
    const auto width = static_cast<int64_t>(batch.nums_.size());
    const int64_t firstId = context_->reserveIds(cellEntity, width * static_cast<int64_t>(batch.rows_));
    for (size_t k = 0; k < batch.nums_.size(); ++k)
        context_->appendPacked(cellEntity, batch.nums_[k], static_cast<int64_t>(batch.firstRowNum_),
                               firstId + static_cast<int64_t>(k), width, batch.texts_[k]);
}

void Model::addRow(uint64_t rowNum, const std::vector<std::string>& data,
                   const std::vector<std::shared_ptr<Column>>& columns) {
    if (!context_)
        return;
    static const std::vector<int> rowSlots{Row::kNum};
    static const std::vector<int> cellSlots{Cell::kData, Cell::kColNum, Cell::kRowNum};
    const auto& schema = context_->schema();
    const int rowEntity = schema.entityIndex(Row::entityName),
              cellEntity = schema.entityIndex(Cell::entityName);
    auto n = static_cast<int64_t>(rowNum);
    context_->insertRow(rowEntity, rowSlots, {store::Value(n)});
    std::vector<store::Value> values;
    values.reserve(3 * columns.size());
    for (const auto& column : columns) {
        if (!column)
            continue;
        int64_t num = column->num();
        values.emplace_back(num >= 0 && static_cast<size_t>(num) < data.size()
                                ? data[static_cast<size_t>(num)]
                                : std::string());
        values.emplace_back(num);
        values.emplace_back(n);
    }
    context_->insertRows(cellEntity, cellSlots, std::move(values));
}
