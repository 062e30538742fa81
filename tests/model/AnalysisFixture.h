// A workspace made from a small committed CSV fixture (no quoting in those files), for the analysis
// computation tests; column types are given, as a user would set them.
#pragma once

#include "StoreFixture.h"
#include "platform/foundation/Locale.h"

#include <fstream>
#include <sstream>

class AnalysisTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        // Dates in the fixtures are read as UTC midnights, like the R references.
        const char* tz = std::getenv("TZ");
        oldTz = tz ? std::optional<std::string>(tz) : std::nullopt;
        setenv("TZ", "UTC", 1);
        tzset();
        foundation::reloadLocalTimeZone();
        m = mainModel();
        m->openStore(path("Analysis.ov"));
        m->setMetadataValue(".", "decimalSeparator");
    }
    void TearDown() override {
        m.reset();
        if (oldTz)
            setenv("TZ", oldTz->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
        foundation::reloadLocalTimeZone();
        StoreTest::TearDown();
    }

    // Rows numbered from 1; the first line names the columns.
    void loadCsv(const std::string& file, const std::vector<int64_t>& types, size_t skipColumns = 0) {
        std::ifstream in(file);
        ASSERT_TRUE(in) << file;
        std::string line;
        std::getline(in, line);
        addTable(split(line, skipColumns), types, [&](std::vector<std::string>& row) {
            if (!std::getline(in, line))
                return false;
            row = split(line, skipColumns);
            return true;
        });
    }

    void addTable(const std::vector<std::string>& names, const std::vector<int64_t>& types,
                  const std::vector<std::vector<std::string>>& rows) {
        size_t i = 0;
        addTable(names, types, [&](std::vector<std::string>& row) {
            if (i == rows.size())
                return false;
            row = rows[i++];
            return true;
        });
    }

    std::shared_ptr<Column> column(const std::string& name) {
        for (auto& c : m->columns())
            if (c->name() == name)
                return c;
        ADD_FAILURE() << "no column " << name;
        return nullptr;
    }

    std::unique_ptr<Model> m;

  private:
    template <class Next>
    void addTable(const std::vector<std::string>& names, const std::vector<int64_t>& types, Next next) {
        m->addColumns(names);
        auto columns = m->columns();
        for (size_t c = 0; c < columns.size() && c < types.size(); ++c)
            columns[c]->setType(types[c]);
        std::vector<std::string> row;
        uint64_t r = 0;
        while (next(row))
            m->addRow(++r, row, columns);
        m->saveContext();
    }

    static std::vector<std::string> split(const std::string& line, size_t skip) {
        std::vector<std::string> out;
        std::stringstream s(line);
        std::string field;
        while (std::getline(s, field, ','))
            out.push_back(field);
        if (!line.empty() && line.back() == ',')
            out.emplace_back();
        out.erase(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(std::min(skip, out.size())));
        return out;
    }

    std::optional<std::string> oldTz;
};
