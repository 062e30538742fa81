// The Workspaces grid item: its parts, the badge drawn once per process, and the quiver.
#include "app/WorkspaceCell.h"

#include "app/SpringboardLayout.h"
#include "platform/ui/TextView.h"

#include <cmath>
#include <limits>
#include <random>

namespace {

constexpr double kBadge = 28;
int badgeDraws = 0;

// A fresh random integer for each quiver, so that items do not swing in step.
uint32_t randomInteger() {
    static std::mt19937 generator{std::random_device{}()};
    return generator();
}

} // namespace

WorkspaceCell::WorkspaceCell(const std::string& reuseIdentifier) : CollectionViewCell(reuseIdentifier) {
    imageIcon_ = std::make_shared<ui::ImageView>();
    imageIcon_->setIdentifier("imageIcon");
    imageIcon_->setContentMode(ui::ContentMode::ScaleAspectFit);
    labelTitle_ = std::make_shared<ui::Label>();
    labelTitle_->setIdentifier("labelTitle");
    labelTitle_->setTextAlignment(gfx::TextAlignment::Center);
    // Long names wrap to a second line, then end in an ellipsis.
    labelTitle_->setNumberOfLines(2);
    labelTitle_->setLineBreakMode(gfx::LineBreakMode::WordWrap);
    buttonDelete_ = std::make_shared<ui::Button>(ui::Rect{}, ui::ButtonType::Custom);
    buttonDelete_->setIdentifier("buttonDelete");
    buttonDelete_->layer().setOpacity(0);
    addSubview(imageIcon_);
    addSubview(labelTitle_);
    addSubview(buttonDelete_);
}

void WorkspaceCell::setDeleteAction(ui::Control::Action action) {
    if (deleteTarget_)
        buttonDelete_->removeTarget(*deleteTarget_);
    deleteTarget_ = buttonDelete_->addTarget(ui::TouchUpInside, std::move(action));
}

void WorkspaceCell::layoutSubviews() {
    const ui::Rect b = bounds();
    const double w = b.width(), h = b.height();
    const double icon = std::floor(h * 0.6);
    imageIcon_->setFrame({std::floor((w - icon) / 2), 2, icon, icon});
    labelTitle_->setFont(gfx::Font::system(w >= 100 ? 12 : 10));
    labelTitle_->setFrame({0, icon + 4, w, h - icon - 4});
    buttonDelete_->setFrame({0, 0, kBadge, kBadge});
}

void WorkspaceCell::applyLayoutAttributes(const ui::CollectionViewLayoutAttributes& attributes) {
    CollectionViewCell::applyLayoutAttributes(attributes);
    auto* springboard = dynamic_cast<const SpringboardLayoutAttributes*>(&attributes);
    const bool hidden = !springboard || springboard->isDeleteButtonHidden();
    if (hidden) {
        buttonDelete_->layer().setOpacity(0);
        stopQuivering();
        return;
    }
    layoutIfNeeded();
    const gfx::Image& badge = deleteBadgeImage(buttonDelete_->frame().size);
    buttonDelete_->layer().setOpacity(1);
    buttonDelete_->setImage(badge);
    startQuivering();
}

void WorkspaceCell::startQuivering() {
    // Attributes are applied again on every layout pass (each scroll step): a quiver under way goes on
    // rather than starting over, which would hold the item still while the grid scrolls.
    if (layer().animationForKey(quiverKey))
        return;
    layers::Animation quiver;
    quiver.keyPath = "transform.rotation.z";
    quiver.from = quiverFrom;
    quiver.to = quiverTo;
    quiver.autoreverses = true;
    quiver.duration = quiverDuration;
    quiver.repeatCount = std::numeric_limits<double>::infinity();
    quiver.timeOffset = static_cast<double>(randomInteger() % 100) / 100 - 0.5;
    layer().addAnimation(std::move(quiver), quiverKey);
}

void WorkspaceCell::stopQuivering() {
    layer().removeAnimation(quiverKey);
}

const gfx::Image& WorkspaceCell::deleteBadgeImage(ui::Size size) {
    static const gfx::Image badge = [size] {
        ++badgeDraws;
        const double w = size.width, h = size.height, m = std::min(w, h);
        const double d = m * 0.4393398282201788 * 0.5 + 2;
        return ui::drawImage(size, 2, [&](gfx::Context& ctx) {
            // One path: the disc, then the two strokes of the cross. Filled black (the strokes fill
            // nothing), then stroked white: the ring and the cross.
            ctx.beginPath();
            ctx.addArc(w / 2, h / 2, m / 2 - 2, 0, 2 * M_PI, true);
            ctx.moveToPoint(d, d);
            ctx.addLineToPoint(m - d, m - d);
            ctx.moveToPoint(d, m - d);
            ctx.addLineToPoint(m - d, d);
            ctx.setFillColor(gfx::Color::black());
            ctx.setStrokeColor(gfx::Color::white());
            ctx.setLineWidth(2);
            ctx.drawPath(gfx::PathDrawingMode::FillStroke);
        });
    }();
    return badge;
}

int WorkspaceCell::badgeDrawCount() {
    return badgeDraws;
}
