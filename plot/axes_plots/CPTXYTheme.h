// The theme of XY graphs, which can build a ready graph, and the five built-in themes made from it:
// "Dark Gradients", "Plain Black", "Plain White", "Slate" and "Stocks". Their kinds report the class
// names "_CPTXYTheme", "_CPTDarkGradientTheme", "_CPTPlainBlackTheme", "_CPTPlainWhiteTheme",
// "_CPTSlateTheme" and "_CPTStocksTheme"; all archive as "CPTTheme".
#pragma once

#include "plot/graph/CPTTheme.h"

class CPTColor;
class CPTFill;
class CPTLineStyle;
class CPTTextStyle;

class CPTXYTheme : public CPTTheme {
  public:
    // The graph class is "CPTXYGraph".
    CPTXYTheme();
    const char* className() const override { return "_CPTXYTheme"; }

    // A graph of the graph class, 200 x 200 with paddings of 60 on every side, both ranges of the
    // default plot space from -1 with length 1, and this theme applied.
    std::shared_ptr<CPTGraph> newGraph() override;

    void applyThemeToBackground(CPTGraph& graph) override;
    void applyThemeToPlotArea(CPTPlotAreaFrame& frame) override;
    // Every axis of the set gets the same styles and a fixed interval of 0.5 from 0.
    void applyThemeToAxisSet(CPTAxisSet& axisSet) override;

  protected:
    // What a built-in theme sets; none of the plain XY theme's own.
    struct FrameStyle {
        std::shared_ptr<CPTFill> fill;
        std::shared_ptr<CPTLineStyle> borderLineStyle;
        double cornerRadius = 0;
    };
    struct AxisStyle {
        std::shared_ptr<CPTLineStyle> majorLine;
        std::shared_ptr<CPTLineStyle> minorLine;
        std::shared_ptr<CPTTextStyle> majorText;
        std::shared_ptr<CPTTextStyle> minorText;
    };
    virtual std::shared_ptr<CPTFill> backgroundFill() const { return nullptr; }
    virtual std::optional<FrameStyle> frameStyle() const { return std::nullopt; }
    virtual std::optional<AxisStyle> axisStyle() const { return std::nullopt; }
};

class CPTDarkGradientTheme : public CPTXYTheme {
  public:
    const char* className() const override { return "_CPTDarkGradientTheme"; }
    std::string name() const override { return "Dark Gradients"; }

  protected:
    std::shared_ptr<CPTFill> backgroundFill() const override;
    std::optional<FrameStyle> frameStyle() const override;
    std::optional<AxisStyle> axisStyle() const override;
};

class CPTPlainBlackTheme : public CPTXYTheme {
  public:
    const char* className() const override { return "_CPTPlainBlackTheme"; }
    std::string name() const override { return "Plain Black"; }

  protected:
    std::shared_ptr<CPTFill> backgroundFill() const override;
    std::optional<FrameStyle> frameStyle() const override;
    std::optional<AxisStyle> axisStyle() const override;
};

class CPTPlainWhiteTheme : public CPTXYTheme {
  public:
    const char* className() const override { return "_CPTPlainWhiteTheme"; }
    std::string name() const override { return "Plain White"; }

  protected:
    std::shared_ptr<CPTFill> backgroundFill() const override;
    std::optional<FrameStyle> frameStyle() const override;
    std::optional<AxisStyle> axisStyle() const override;
};

class CPTSlateTheme : public CPTXYTheme {
  public:
    const char* className() const override { return "_CPTSlateTheme"; }
    std::string name() const override { return "Slate"; }

  protected:
    std::shared_ptr<CPTFill> backgroundFill() const override;
    std::optional<FrameStyle> frameStyle() const override;
    std::optional<AxisStyle> axisStyle() const override;
};

class CPTStocksTheme : public CPTXYTheme {
  public:
    const char* className() const override { return "_CPTStocksTheme"; }
    std::string name() const override { return "Stocks"; }

  protected:
    std::shared_ptr<CPTFill> backgroundFill() const override;
    std::optional<FrameStyle> frameStyle() const override;
    std::optional<AxisStyle> axisStyle() const override;
};
