// The results of one fetch request on a context, grouped into sections by the value of a key (the
// request sorts by that key first), and a delegate told when the context records a change to an object
// of the fetched entity. The objects are the context's live objects, so an edit shows in place; the
// sections change only at the next performFetch.
//
// A packed entity's objects fetched in (position, group) order, all of them or those at a set of
// positions, are read straight from its records and kept as their ids and values: each object is made
// when first asked for, then held. One asked for after something may have changed its row (a change
// the context recorded, a reset, another connection's commit) is read again from the store, and one
// whose row is gone is given as deleted, as a held object would have been.
#pragma once

#include "platform/store/Context.h"
#include "platform/store/Error.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace store {

class FetchedResultsController;

class FetchedResultsControllerDelegate {
  public:
    virtual ~FetchedResultsControllerDelegate() = default;
    // At most once per turn of the main queue, after the changes of that turn.
    virtual void controllerDidChangeContent(FetchedResultsController& controller) {}
};

// The fetched objects in fetch order, each made when it is first read.
class FetchedObjects {
  public:
    class iterator {
      public:
        using value_type = std::shared_ptr<ManagedObject>;
        using difference_type = std::ptrdiff_t;
        iterator() = default;
        iterator(const FetchedResultsController* c, size_t i) : controller_(c), index_(i) {}
        value_type operator*() const;
        iterator& operator++() {
            ++index_;
            return *this;
        }
        iterator operator++(int) {
            iterator before = *this;
            ++index_;
            return before;
        }
        bool operator==(const iterator&) const = default;

      private:
        const FetchedResultsController* controller_ = nullptr;
        size_t index_ = 0;
    };
    explicit FetchedObjects(const FetchedResultsController& c) : controller_(&c) {}
    size_t size() const;
    bool empty() const { return size() == 0; }
    std::shared_ptr<ManagedObject> operator[](size_t i) const;
    iterator begin() const { return {controller_, 0}; }
    iterator end() const { return {controller_, size()}; }

  private:
    const FetchedResultsController* controller_;
};

class FetchedResultsController {
  public:
    // An empty section key puts every object into one section named "".
    FetchedResultsController(FetchRequest request, std::shared_ptr<Context> context, std::string sectionNameKeyPath);
    ~FetchedResultsController();
    FetchedResultsController(const FetchedResultsController&) = delete;
    FetchedResultsController& operator=(const FetchedResultsController&) = delete;

    const FetchRequest& fetchRequest() const { return request_; }
    Context& managedObjectContext() const { return *context_; }
    const std::string& sectionNameKeyPath() const { return sectionKey_; }
    FetchedResultsControllerDelegate* delegate() const { return delegate_; }
    void setDelegate(FetchedResultsControllerDelegate* d) { delegate_ = d; }

    // Fetches again (the context's unsaved inserts in, its deleted objects out). The store's error, if
    // any; the sections are then empty.
    std::optional<Error> performFetch();

    size_t sectionCount() const { return sections_.size(); }
    // 0 for a section beyond the last.
    size_t objectCount(size_t section) const;
    // The key's value as text (a number in decimal, "" for none); "" beyond the last section.
    std::string sectionName(size_t section) const;
    // Null beyond the fetched objects.
    std::shared_ptr<ManagedObject> objectAt(size_t item, size_t section) const;
    template <class T> std::shared_ptr<T> objectAt(size_t item, size_t section) const {
        return std::static_pointer_cast<T>(objectAt(item, section));
    }
    // The key's value as a number (sections keyed by "rowNum": the row's number); 0 for none.
    int64_t sectionRowNum(size_t section) const;
    // A section's objects in fetch order (empty beyond the last section).
    std::vector<std::shared_ptr<ManagedObject>> sectionObjects(size_t section) const;
    // Every fetched object in fetch order; its size costs nothing, each object is made as it is read.
    FetchedObjects fetchedObjects() const { return FetchedObjects(*this); }
    size_t fetchedCount() const { return packed_ ? packed_->items.size() : objects_.size(); }
    // By index in fetch order; null beyond the fetched objects.
    std::shared_ptr<ManagedObject> fetchedObjectAt(size_t index) const;

  private:
    struct Section {
        size_t first = 0; // index of its first object in fetch order
        size_t count = 0;
        Value key;
    };
    void contextChanged();
    // The request read straight from the packed records when it can be (false: fetch it through SQL).
    bool fetchPacked(const Entity& entity, int entityIndex);
    // Makes the object at `index` of those read from the records.
    void makePacked(size_t index) const;
    std::vector<Value> packedValues(size_t index) const;

    FetchRequest request_;
    std::shared_ptr<Context> context_;
    std::string sectionKey_;
    FetchedResultsControllerDelegate* delegate_ = nullptr;
    std::vector<std::shared_ptr<ManagedObject>> objects_;
    std::vector<Section> sections_;
    // The objects read from packed records, and those made of them so far.
    std::unique_ptr<PackedRows> packed_;
    mutable std::vector<std::shared_ptr<ManagedObject>> made_;
    int entity_ = -1;
    mutable Context::ReadMark mark_;
    int observer_ = 0;
    // Shared with the pending main-queue block, which must not outlive the controller.
    struct Pending {
        FetchedResultsController* controller;
        bool scheduled = false;
    };
    std::shared_ptr<Pending> pending_;
};

// A set of integers as one JSON array argument, for "x IN (SELECT value FROM json_each(?))".
std::string jsonIntegers(const std::vector<int64_t>& values);

} // namespace store
