// The cells of a view that makes cells only for what is visible: those shown, by index path, and those
// waiting for reuse, by reuse identifier, with the factories that make a cell when none waits.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ui {

// Key is the place a cell shows at (an index path); Cell is a View with reuseIdentifier() and
// prepareForReuse().
template <class Key, class Cell> class CellReusePool {
  public:
    using Factory = std::function<std::shared_ptr<Cell>(const std::string& reuseIdentifier)>;
    // `fallback` makes a cell for an identifier no factory was registered for.
    explicit CellReusePool(Factory fallback) : fallback_(std::move(fallback)) {}

    // An empty factory unregisters the identifier: its new cells come from the fallback again.
    void registerFactory(const std::string& reuseIdentifier, Factory factory) {
        if (!factory) {
            factories_.erase(reuseIdentifier);
            return;
        }
        factories_[reuseIdentifier] = std::move(factory);
    }

    // A cell waiting under this identifier, prepared for reuse, or else a new one. Of the waiting cells,
    // the one last shown at `at` comes first: a reload gives each row back the cell that showed it, whose
    // views then keep what they laid out for the same content.
    std::shared_ptr<Cell> dequeue(const std::string& reuseIdentifier, std::optional<Key> at = std::nullopt) {
        auto& waiting = reusable_[reuseIdentifier];
        if (!waiting.empty()) {
            auto chosen = waiting.end() - 1;
            if (at) {
                auto same =
                    std::find_if(waiting.begin(), waiting.end(), [&](const Waiting& w) { return w.shownAt == *at; });
                if (same != waiting.end())
                    chosen = same;
            }
            auto cell = std::move(chosen->cell);
            waiting.erase(chosen);
            cell->prepareForReuse();
            return cell;
        }
        if (auto f = factories_.find(reuseIdentifier); f != factories_.end())
            return f->second(reuseIdentifier);
        return fallback_(reuseIdentifier);
    }

    const std::map<Key, std::shared_ptr<Cell>>& visible() const { return visible_; }

    std::vector<Cell*> visibleCells() const {
        std::vector<Cell*> out;
        for (const auto& [ip, cell] : visible_)
            out.push_back(cell.get());
        return out;
    }

    Cell* cellAt(const Key& ip) const {
        auto it = visible_.find(ip);
        return it == visible_.end() ? nullptr : it->second.get();
    }

    // Records `cell` as shown at `ip`; placing it among the view's subviews is the view's own choice.
    Cell* show(const Key& ip, std::shared_ptr<Cell> cell) {
        return visible_.insert_or_assign(ip, std::move(cell)).first->second.get();
    }

    // The cell at `ip` leaves the view and waits under its own identifier.
    void recycle(const Key& ip) {
        auto it = visible_.find(ip);
        if (it == visible_.end())
            return;
        auto cell = it->second;
        visible_.erase(it);
        cell->removeFromSuperview();
        reusable_[cell->reuseIdentifier()].push_back({std::move(cell), ip});
    }

    // Collected first: recycling takes the cell out of the map being walked.
    template <class Predicate> void recycleIf(Predicate gone) {
        std::vector<Key> leaving;
        for (const auto& [ip, cell] : visible_)
            if (gone(ip))
                leaving.push_back(ip);
        for (const auto& ip : leaving)
            recycle(ip);
    }

    void recycleAll() {
        recycleIf([](const Key&) { return true; });
    }

    // Every cell held, shown or waiting.
    size_t cellCount() const {
        size_t n = visible_.size();
        for (const auto& [id, cells] : reusable_)
            n += cells.size();
        return n;
    }

  private:
    Factory fallback_;
    std::map<Key, std::shared_ptr<Cell>> visible_;
    struct Waiting {
        std::shared_ptr<Cell> cell;
        Key shownAt;
    };
    std::map<std::string, std::vector<Waiting>> reusable_;
    std::map<std::string, Factory> factories_;
};

} // namespace ui
