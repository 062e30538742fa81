// An item of the Workspaces grids: the file's icon and name, and the delete badge that shows, with a
// quiver of the whole item, while its grid is in deletion mode.
#pragma once

#include "platform/ui/CollectionView.h"
#include "platform/ui/Control.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Label.h"

#include <memory>
#include <optional>

class WorkspaceCell : public ui::CollectionViewCell {
  public:
    static constexpr const char* reuseIdentifier = "WorkspaceCell";
    // The quiver: a turn from -1 to +3 degrees and back every 0.4 s.
    static constexpr const char* quiverKey = "quivering";
    static constexpr double quiverFrom = -0.017453292;
    static constexpr double quiverTo = 0.05235988;
    static constexpr double quiverDuration = 0.2;

    explicit WorkspaceCell(const std::string& reuseIdentifier);

    ui::Label& labelTitle() { return *labelTitle_; }
    ui::Button& buttonDelete() { return *buttonDelete_; }
    ui::ImageView& imageIcon() { return *imageIcon_; }
    // The badge's action, replacing the one set before (a cell is configured again on every reuse).
    void setDeleteAction(ui::Control::Action action);

    void applyLayoutAttributes(const ui::CollectionViewLayoutAttributes& attributes) override;
    void layoutSubviews() override;
    void startQuivering();
    void stopQuivering();

    // The badge every cell shares, drawn at the first need for a badge of `size`.
    static const gfx::Image& deleteBadgeImage(ui::Size size);
    // How many times the badge has been drawn in this process.
    static int badgeDrawCount();

  private:
    std::shared_ptr<ui::Label> labelTitle_;
    std::shared_ptr<ui::Button> buttonDelete_;
    std::shared_ptr<ui::ImageView> imageIcon_;
    std::optional<int> deleteTarget_;
};
