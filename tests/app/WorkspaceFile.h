// A workspace file made for a test on a Model of its own (the shared one is left alone): columns with
// their rows of texts, the statistics and types as an import leaves them.
#pragma once

#include "model/Model.h"

#include <memory>
#include <string>
#include <vector>

inline void makeWorkspaceFile(const std::string& file, const std::vector<std::string>& names,
                              const std::vector<std::vector<std::string>>& rows) {
    Model m;
    m.setPersistentStoreCoordinator(std::make_shared<store::Coordinator>(Model::managedObjectModel()));
    m.setManagedObjectContext(std::make_shared<store::Context>(m.persistentStoreCoordinator()));
    m.openStore(file);
    m.addColumns(names);
    auto columns = m.columns();
    for (size_t r = 0; r < rows.size(); ++r)
        m.addRow(uint64_t(r + 1), rows[r], columns);
    m.saveContext();
    for (auto& column : m.columns()) {
        m.basicStatsForColumn(*column);
        column->setType(Model::guessTypeOfColumn(*column));
    }
    m.saveContext();
    m.closeStores();
}
