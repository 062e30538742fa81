// A colour gradient: stops along 0...1 blended in RGB or through hue, painted axially along an angle
// or radially between two anchors into a rectangle or the current path. Editing answers new gradients
// and leaves the receiver as it was.
#pragma once

#include "platform/foundation/KeyedArchive.h"
#include "platform/graphics/Context.h"
#include "platform/graphics/Gradient.h"
#include "plot/foundation/CPTColor.h"
#include "plot/foundation/CPTColorSpace.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

enum CPTGradientBlendingMode : std::int64_t {
    CPTLinearBlendingMode = 0,           // red, green, blue and alpha interpolated
    CPTChromaticBlendingMode = 1,        // hue, saturation, value and alpha; hue increasing
    CPTInverseChromaticBlendingMode = 2, // the same with the hue decreasing
};

enum CPTGradientType : std::int64_t {
    CPTGradientTypeAxial = 0,
    CPTGradientTypeRadial = 1,
};

struct CPTGradientElement {
    CPTRGBAColor color;
    CGFloat position = 0;
};

// In place on (r, g, b): hue in degrees (NaN for a grey), saturation, value.
void CPTGradientRGBToHSV(CGFloat* components);
// In place on (h, s, v); a negative or NaN hue gives black.
void CPTGradientHSVToRGB(CGFloat* components);

class CPTGradient {
  public:
    // No stops, linear, axial, angle 0, anchors at the centre, the generic RGB space.
    CPTGradient();
    CPTGradient(const CPTGradient&) = delete;
    CPTGradient& operator=(const CPTGradient&) = delete;

    static std::shared_ptr<CPTGradient> gradientWithBeginningColor(const CPTColor& begin, const CPTColor& end);
    static std::shared_ptr<CPTGradient> gradientWithBeginningColor(const CPTColor& begin, const CPTColor& end,
                                                                   CGFloat beginningPosition,
                                                                   CGFloat endingPosition);

    // The named gradients, each a new object.
    static std::shared_ptr<CPTGradient> aquaSelectedGradient();
    static std::shared_ptr<CPTGradient> aquaNormalGradient();
    static std::shared_ptr<CPTGradient> aquaPressedGradient();
    static std::shared_ptr<CPTGradient> unifiedSelectedGradient();
    static std::shared_ptr<CPTGradient> unifiedNormalGradient();
    static std::shared_ptr<CPTGradient> unifiedPressedGradient();
    static std::shared_ptr<CPTGradient> unifiedDarkGradient();
    static std::shared_ptr<CPTGradient> sourceListSelectedGradient();
    static std::shared_ptr<CPTGradient> sourceListUnselectedGradient();
    static std::shared_ptr<CPTGradient> rainbowGradient();
    static std::shared_ptr<CPTGradient> hydrogenSpectrumGradient();

    // Derived gradients. The alpha copy keeps mode, angle and type but not the anchors.
    std::shared_ptr<CPTGradient> gradientWithAlphaComponent(CGFloat alpha) const;
    std::shared_ptr<CPTGradient> gradientWithBlendingMode(CPTGradientBlendingMode mode) const;
    std::shared_ptr<CPTGradient> addColorStop(const CPTColor& color, CGFloat position) const;
    // Without the first stop at exactly that position; raises NSRangeException when there is none.
    std::shared_ptr<CPTGradient> removeColorStopAtPosition(CGFloat position) const;
    // Raises NSRangeException for an index beyond the stops.
    std::shared_ptr<CPTGradient> removeColorStopAtIndex(std::uint64_t index) const;

    // The stop's colour; raises NSRangeException for an index beyond the stops.
    gfx::Color newColorStopAtIndex(std::uint64_t index) const;
    // The blending mode's colour at the position, components clamped to 0...1; transparent black for
    // an unknown mode.
    gfx::Color newColorAtPosition(CGFloat position) const;
    // The evaluation as written, unclamped (transparent black for an unknown mode).
    CPTRGBAColor evaluate(CGFloat position) const;

    const std::shared_ptr<CPTColorSpace>& colorspace() const { return colorspace_; }
    CPTGradientBlendingMode blendingMode() const { return blendingMode_; }
    CGFloat angle() const { return angle_; }
    void setAngle(CGFloat degrees) { angle_ = degrees; }
    CPTGradientType gradientType() const { return gradientType_; }
    // Another type paints nothing.
    void setGradientType(CPTGradientType type) { gradientType_ = type; }
    CGPoint startAnchor() const { return startAnchor_; }
    void setStartAnchor(CGPoint anchor) { startAnchor_ = anchor; }
    CGPoint endAnchor() const { return endAnchor_; }
    void setEndAnchor(CGPoint anchor) { endAnchor_ = anchor; }

    // No stops, or every alpha at least 1.
    bool isOpaque() const;
    // Mode, angle, type and every stop equal (exactly); anchors and space are not compared.
    bool isEqual(const CPTGradient* other) const;
    std::uint64_t hash() const;
    std::size_t elementCount() const { return elements_.size(); }
    std::optional<CPTGradientElement> elementAtIndex(std::size_t index) const;
    const std::vector<CPTGradientElement>& elements() const { return elements_; }

    // The ramp that the context paints: the evaluation sampled at 256 even positions and at every stop
    // (both sides of a hard edge), clamped to 0...1.
    gfx::Gradient shadingGradient() const;

    // Both save and restore the state; a rectangle without area paints nothing.
    void fillRect(CGRect rect, gfx::Context& context) const;
    // Nothing for an empty current path; otherwise clipped to the path (which is consumed).
    void fillPathInContext(gfx::Context& context) const;
    void drawSwatchInRect(CGRect rect, gfx::Context& context) const { fillRect(rect, context); }

    // Same stops, mode, angle, type and anchors, in the generic RGB space.
    std::shared_ptr<CPTGradient> copy() const;
    gfx::Image debugQuickLookObject() const;

    // Stops under "red%lu", "green%lu", "blue%lu", "alpha%lu", "position%lu" with
    // "CPTGradient.elementCount", then "CPTGradient.blendingMode", "CPTGradient.angle", "CPTGradient.type"
    // and the anchors under "CPTPlotSymbol.startAnchor" and "CPTPlotSymbol.endAnchor".
    static bool supportsSecureCoding() { return true; }
    static constexpr const char* className() { return "CPTGradient"; }
    void encodeWithCoder(foundation::KeyedArchiver& coder) const;
    static std::shared_ptr<CPTGradient> gradientWithCoder(foundation::KeyedUnarchiver& coder);
    void encodeForKey(foundation::KeyedArchiver& coder, std::string_view key) const;
    static std::shared_ptr<CPTGradient> decodeForKey(foundation::KeyedUnarchiver& coder, std::string_view key);

  private:
    // The editing primitives; they change the receiver.
    void addElement(const CPTGradientElement& element);
    std::optional<CPTGradientElement> removeElementAtIndex(std::size_t index);
    std::optional<CPTGradientElement> removeElementAtPosition(CGFloat position);
    void removeAllElements() { elements_.clear(); }
    void setBlendingMode(CPTGradientBlendingMode mode) { blendingMode_ = mode; }

    // Indexes of the stops around a position (the list must not be empty).
    std::pair<std::size_t, std::size_t> stopsAround(CGFloat position) const;
    CPTRGBAColor linearEvaluate(CGFloat position) const;
    CPTRGBAColor chromaticEvaluate(CGFloat position, bool inverse) const;
    void axialEnds(CGRect rect, CGPoint& start, CGPoint& end) const;
    void paint(CGRect rect, gfx::Context& context) const;

    std::shared_ptr<CPTColorSpace> colorspace_;
    CPTGradientBlendingMode blendingMode_ = CPTLinearBlendingMode;
    CGFloat angle_ = 0;
    CPTGradientType gradientType_ = CPTGradientTypeAxial;
    CGPoint startAnchor_{0.5, 0.5};
    CGPoint endAnchor_{0.5, 0.5};
    std::vector<CPTGradientElement> elements_; // sorted by position, equal positions in insertion order
};
