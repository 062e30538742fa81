// The workspace the benchmarks work on: a Model with its own store coordinator and context, opened on a
// file as the app opens a workspace, and its rows written as an import writes them.
#pragma once

#include "model/Model.h"
#include "platform/store/Context.h"
#include "platform/store/Coordinator.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace benchworkspace {

inline std::unique_ptr<Model> openModel(const std::string& file) {
    auto model = std::make_unique<Model>();
    model->setPersistentStoreCoordinator(std::make_shared<store::Coordinator>(Model::managedObjectModel()));
    model->setManagedObjectContext(std::make_shared<store::Context>(model->persistentStoreCoordinator()));
    model->openStore(file);
    return model;
}

// A Model on the same file as `shared`, as the analysis screens' workers use: the same store
// coordinator, a context of its own.
inline std::unique_ptr<Model> backgroundModel(const Model& shared) {
    auto model = std::make_unique<Model>();
    model->setPersistentStoreCoordinator(shared.persistentStoreCoordinator());
    model->setManagedObjectContext(std::make_shared<store::Context>(shared.persistentStoreCoordinator()));
    return model;
}

// Var1, Var2, ... VarN, as a workspace names the columns of a file without a header line.
inline std::vector<std::string> numberedNames(int n) {
    std::vector<std::string> names;
    for (int c = 0; c < n; ++c)
        names.push_back("Var" + std::to_string(c + 1));
    return names;
}

// Adds columns of these names to the open workspace and writes `rows` rows, row r (from 1) holding
// `row(r)`: saved and the context emptied every `batch` rows, the file not synced meanwhile.
inline void writeRows(Model& m, const std::vector<std::string>& names, int64_t rows,
                      const std::function<std::vector<std::string>(int64_t)>& row, int64_t batch = 1000) {
    m.setWritesWithoutSync(true);
    m.addColumns(names);
    auto columns = m.columns();
    for (int64_t r = 1; r <= rows; ++r) {
        m.addRow(uint64_t(r), row(r), columns);
        if (r % batch == 0) {
            m.saveContext();
            m.managedObjectContext()->reset();
            columns = m.columns();
        }
    }
    m.saveContext();
    m.setWritesWithoutSync(false);
}

} // namespace benchworkspace
