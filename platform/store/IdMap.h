// Row id -> live object, the context's uniquing table. Open addressing with linear probing: a column
// read registers and later forgets 100,000 objects, where a node-based map's allocations dominate.
#pragma once

#include <algorithm>
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
            if (s.id == id)
                return s.object;
            if (s.id == kEmpty)
                return nullptr;
        }
    }

    // Sets the entry of id (replacing an existing one).
    void put(int64_t id, ManagedObject* object) {
        if ((used_ + 1) * 2 > slots_.size())
            grow();
        size_t tomb = SIZE_MAX;
        for (size_t i = home(id);; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (s.id == id) {
                s.object = object;
                return;
            }
            if (s.id == kTomb && tomb == SIZE_MAX)
                tomb = i;
            if (s.id == kEmpty) {
                if (tomb != SIZE_MAX) {
                    slots_[tomb] = {id, object};
                } else {
                    s = {id, object};
                    ++used_;
                }
                ++size_;
                return;
            }
        }
    }

    // Removes the entry of id when it still names this object.
    void erase(int64_t id, const ManagedObject* object) {
        if (slots_.empty())
            return;
        for (size_t i = home(id);; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (s.id == id) {
                if (s.object == object) {
                    s = {kTomb, nullptr};
                    --size_;
                    if (size_ == 0)
                        reset();
                }
                return;
            }
            if (s.id == kEmpty)
                return;
        }
    }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Empties the table; a small one keeps its storage for the next fetch, a large one is freed
    // (clearing it would cost each later single-object fetch as much as the large one did).
    void reset() {
        if (slots_.size() > 4096) {
            clear();
            return;
        }
        std::fill(slots_.begin(), slots_.end(), Slot{});
        used_ = size_ = 0;
    }
    void clear() {
        slots_.clear();
        slots_.shrink_to_fit();
        mask_ = 0;
        used_ = size_ = 0;
    }

    template <class F> void forEach(F&& f) const {
        for (const Slot& s : slots_)
            if (s.id > 0)
                f(s.id, s.object);
    }

  private:
    // Row ids are positive; these two never occur as ids.
    static constexpr int64_t kEmpty = 0;
    static constexpr int64_t kTomb = -1;
    struct Slot {
        int64_t id = kEmpty;
        ManagedObject* object = nullptr;
    };

    // Ids of one fetch are mostly ascending: keeping their order keeps the probes in cache.
    size_t home(int64_t id) const { return static_cast<uint64_t>(id) & mask_; }

    void grow() {
        std::vector<Slot> old;
        old.swap(slots_);
        size_t capacity = 64;
        while (capacity < (size_ + 1) * 4)
            capacity *= 2;
        slots_.assign(capacity, Slot{});
        mask_ = capacity - 1;
        used_ = size_ = 0;
        for (const Slot& s : old)
            if (s.id > 0)
                put(s.id, s.object);
    }

    std::vector<Slot> slots_;
    size_t mask_ = 0;
    size_t used_ = 0; // filled slots, tombstones included
    size_t size_ = 0;
};

} // namespace store
