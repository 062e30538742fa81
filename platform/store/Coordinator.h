// The store coordinator: the schema and the workspace file that its contexts read and write.
// Adding a store checks, creates or upgrades the file's tables; each context opens its own connection.
#pragma once

#include "platform/store/Error.h"
#include "platform/store/Schema.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace store {

class Coordinator {
  public:
    explicit Coordinator(std::shared_ptr<const Schema> schema);

    const Schema& managedObjectModel() const { return *schema_; }
    const std::shared_ptr<const Schema>& schemaPointer() const { return schema_; }

    // Opens the file as this coordinator's store, creating it when it does not exist. A file that is
    // not a database, is truncated, belongs to another program or to a newer release is refused and
    // left exactly as it was. Missing tables, columns and indexes are added (an older workspace).
    std::optional<Error> addStore(const std::string& path);
    // Forgets every store; contexts drop their connections, unsaved changes and objects.
    std::vector<Error> removeStores();
    std::vector<std::string> stores() const;
    std::optional<std::string> firstStore() const;

    // Bumped whenever the set of stores changes; contexts compare it before every operation.
    uint64_t generation() const { return generation_.load(); }

    // Commits without waiting for the disk (PRAGMA synchronous=OFF) while false. Turning it back on
    // flushes the store files to disk once.
    void setSynchronous(bool on);
    bool synchronous() const { return synchronous_.load(); }

  private:
    std::shared_ptr<const Schema> schema_;
    mutable std::mutex mutex_;
    std::vector<std::string> stores_;
    std::atomic<uint64_t> generation_{1};
    std::atomic<bool> synchronous_{true};
};

// The CREATE TABLE and CREATE INDEX statements of a schema, for tests and for tools.
std::vector<std::string> createStatements(const Schema& schema);

} // namespace store
