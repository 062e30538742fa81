// Row id -> live object, the context's uniquing table. Open addressing with linear probing: a column
// read registers and later forgets 100,000 objects, where a node-based map's allocations dominate.
// Emptying is O(1) (an epoch change) and keeps the storage, so the next large fetch reuses it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace store {

class ManagedObject;

class IdMap {
  public:
    ManagedObject* find(int64_t id) const {
        if (slots_.empty())
            return nullptr;
        for (size_t i = home(id);; i = (i + 1) & mask_) {
            const Slot& s = slots_[i];
            if (s.epoch != epoch_)
                return nullptr;
            if (s.id == id)
                return s.object;
        }
    }

    // Sets the entry of id (replacing an existing one).
    void put(int64_t id, ManagedObject* object) {
        if ((used_ + 1) * 2 > slots_.size())
            grow();
        size_t tomb = SIZE_MAX;
        for (size_t i = home(id);; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (s.epoch != epoch_) {
                if (tomb != SIZE_MAX) {
                    slots_[tomb] = {id, object, epoch_};
                } else {
                    s = {id, object, epoch_};
                    ++used_;
                }
                ++size_;
                return;
            }
            if (s.id == id) {
                s.object = object;
                return;
            }
            if (s.id == kTomb && tomb == SIZE_MAX)
                tomb = i;
        }
    }

    // Removes the entry of id when it still names this object.
    void erase(int64_t id, const ManagedObject* object) {
        if (slots_.empty())
            return;
        for (size_t i = home(id);; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (s.epoch != epoch_)
                return;
            if (s.id == id) {
                if (s.object == object) {
                    s.id = kTomb;
                    s.object = nullptr;
                    if (--size_ == 0)
                        reset();
                }
                return;
            }
        }
    }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // Empties the table and keeps its storage.
    void reset() {
        used_ = size_ = 0;
        if (++epoch_ != 0)
            return;
        // After 2^32 resets the epochs wrap: start over with clean slots.
        std::vector<Slot>(slots_.size()).swap(slots_);
        epoch_ = 1;
    }
    // Empties the table and frees its storage.
    void clear() {
        std::vector<Slot>().swap(slots_);
        mask_ = 0;
        used_ = size_ = 0;
    }

    template <class F> void forEach(F&& f) const {
        for (const Slot& s : slots_)
            if (s.epoch == epoch_ && s.id != kTomb)
                f(s.id, s.object);
    }

  private:
    static constexpr int64_t kTomb = -1; // row ids are positive
    struct Slot {
        int64_t id = 0;
        ManagedObject* object = nullptr;
        uint32_t epoch = 0; // the slot is in use only when it equals the table's epoch
    };

    // Ids of one fetch are mostly ascending: keeping their order keeps the probes in cache.
    size_t home(int64_t id) const { return static_cast<uint64_t>(id) & mask_; }

    void grow() {
        std::vector<Slot> old;
        old.swap(slots_);
        uint32_t oldEpoch = epoch_;
        size_t capacity = 64;
        while (capacity < (size_ + 1) * 4)
            capacity *= 2;
        slots_.assign(capacity, Slot{});
        mask_ = capacity - 1;
        epoch_ = 1;
        used_ = size_ = 0;
        for (const Slot& s : old)
            if (s.epoch == oldEpoch && s.id != kTomb)
                put(s.id, s.object);
    }

    std::vector<Slot> slots_;
    size_t mask_ = 0;
    size_t used_ = 0; // slots in use, tombstones included
    size_t size_ = 0;
    uint32_t epoch_ = 1;
};

} // namespace store
