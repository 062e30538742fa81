// Small view trees for the report writer's tests: labels, tables whose rows are one label each, and
// snapshots of a tree's geometry to show that drawing leaves every view as it was.
#pragma once

#include "platform/ui/Label.h"
#include "platform/ui/TableView.h"

#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace reportViews {

inline std::shared_ptr<ui::Label> label(const std::string& text, ui::Rect frame,
                                        std::optional<gfx::Color> background = std::nullopt) {
    auto l = std::make_shared<ui::Label>(frame);
    l->setText(text);
    l->setFont(gfx::Font::system(10));
    l->setBackgroundColor(background);
    return l;
}

// Rows of one label each, its text the prefix and the row number from 1 ("R1", "R2", ...). The row
// counts it answers are taken in turn, the last one kept (a count that changes while rows are drawn).
struct Rows : ui::TableViewDataSource, ui::TableViewDelegate {
    std::string prefix = "R";
    std::vector<int> counts{0};
    double height = 20;
    size_t asked = 0;
    Rows(std::string p, std::vector<int> c, double h)
        : prefix(std::move(p)), counts(std::move(c)), height(h) {}
    int numberOfRowsInSection(ui::TableView&, int) override {
        int n = counts[std::min(asked, counts.size() - 1)];
        ++asked;
        return n;
    }
    std::shared_ptr<ui::TableViewCell> cellForRowAtIndexPath(ui::TableView& table,
                                                             ui::IndexPath ip) override {
        auto cell = table.dequeueReusableCellWithIdentifier("row", ip);
        static_cast<ui::Label*>(cell->contentView().viewWithTag(1))
            ->setText(prefix + std::to_string(ip.row + 1));
        return cell;
    }
    double heightForRowAtIndexPath(ui::TableView&, ui::IndexPath) override { return height; }
};

// A plain table at `frame` drawing `rows`, each cell's label at its top left, 100 points wide.
inline std::shared_ptr<ui::TableView> table(ui::Rect frame, Rows& rows) {
    auto t = std::make_shared<ui::TableView>(frame);
    double height = rows.height;
    t->registerCellFactory("row", [height](const std::string& id) {
        auto cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Default, id);
        auto l = label("", {0, 0, 100, std::isfinite(height) ? height : 20});
        l->setTag(1);
        cell->contentView().addSubview(l);
        return cell;
    });
    t->setDataSource(&rows);
    t->setTableDelegate(&rows);
    return t;
}

struct Geometry {
    const ui::View* view;
    gfx::Rect frame, bounds;
    gfx::AffineTransform transform;
    friend bool operator==(const Geometry&, const Geometry&) = default;
};

inline void collect(const ui::View& view, std::vector<Geometry>& out) {
    out.push_back({&view, view.frame(), view.bounds(), view.transform()});
    for (const auto& sub : view.subviews())
        collect(*sub, out);
}

// Every view of the tree with its frame, bounds and transform, depth first.
inline std::vector<Geometry> geometry(const ui::View& root) {
    std::vector<Geometry> out;
    collect(root, out);
    return out;
}

inline std::ostream& operator<<(std::ostream& o, const Geometry& g) {
    return o << g.view->className() << " frame " << g.frame.origin.x << "," << g.frame.origin.y << " "
             << g.frame.size.width << "x" << g.frame.size.height << " bounds " << g.bounds.size.width << "x"
             << g.bounds.size.height << " transform " << g.transform.a << " " << g.transform.b << " "
             << g.transform.c << " " << g.transform.d;
}

} // namespace reportViews
