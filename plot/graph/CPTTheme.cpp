// Applying a theme to a graph, in the order the parts of a graph are styled.
#include "plot/graph/CPTTheme.h"

#include "plot/graph/CPTGraph.h"
#include "plot/graph/CPTPlotAreaFrame.h"

void CPTTheme::applyThemeToGraph(CPTGraph& graph) {
    applyThemeToBackground(graph);
    if (const auto& frame = graph.plotAreaFrame())
        applyThemeToPlotArea(*frame);
    if (const auto axisSet = graph.axisSet())
        applyThemeToAxisSet(*axisSet);
}

void CPTGraph::applyTheme(CPTTheme& theme) {
    theme.applyThemeToGraph(*this);
}
