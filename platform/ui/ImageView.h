// Views that show one thing: an image, and a spinning activity indicator.
#pragma once

#include "platform/graphics/Image.h"
#include "platform/ui/View.h"

#include <optional>

namespace ui {

enum class ContentMode { ScaleToFill, ScaleAspectFit, ScaleAspectFill, Center };

class ImageView : public View {
  public:
    explicit ImageView(std::optional<gfx::Image> image = std::nullopt, const Rect& frame = {});
    const std::optional<gfx::Image>& image() const { return image_; }
    void setImage(std::optional<gfx::Image> image);
    ContentMode contentMode() const { return mode_; }
    void setContentMode(ContentMode mode);
    // Where the image lands in the bounds for the content mode.
    Rect imageRect() const;
    void drawRect(gfx::Context& ctx, const Rect& rect) override;
    Size sizeThatFits(Size size) const override;

  private:
    std::optional<gfx::Image> image_;
    ContentMode mode_ = ContentMode::ScaleToFill;
};

enum class ActivityIndicatorStyle { WhiteLarge, White, Gray };

class ActivityIndicatorView : public View {
  public:
    explicit ActivityIndicatorView(ActivityIndicatorStyle style = ActivityIndicatorStyle::Gray);
    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }
    bool hidesWhenStopped() const { return hidesWhenStopped_; }
    void setHidesWhenStopped(bool on);
    void drawRect(gfx::Context& ctx, const Rect& rect) override;

  private:
    ActivityIndicatorStyle style_;
    bool animating_ = false;
    bool hidesWhenStopped_ = true;
};

} // namespace ui
