// The workspace the benchmarks work on: a Model with its own store coordinator and context, opened on a
// file as the app opens a workspace.
#pragma once

#include "model/Model.h"
#include "platform/store/Context.h"
#include "platform/store/Coordinator.h"

#include <memory>
#include <string>

namespace benchworkspace {

inline std::unique_ptr<Model> openModel(const std::string& file) {
    auto model = std::make_unique<Model>();
    model->setPersistentStoreCoordinator(std::make_shared<store::Coordinator>(Model::managedObjectModel()));
    model->setManagedObjectContext(std::make_shared<store::Context>(model->persistentStoreCoordinator()));
    model->openStore(file);
    return model;
}

} // namespace benchworkspace
