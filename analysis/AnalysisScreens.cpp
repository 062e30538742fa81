// The controller identifiers of the analysis screens.
#include "analysis/AnalysisScreens.h"

#include "analysis/AnalysesViewController.h"
#include "analysis/AnalysisKinds.h"
#include "analysis/CorrelationViewController.h"
#include "analysis/RegressionViewController.h"
#include "analysis/HypothesisTestViewController.h"
#include "analysis/TwoWayTabController.h"
#include "analysis/VariableDetailViewController.h"
#include "platform/ui/ViewController.h"

void registerAnalysisScreens() {
    auto& registry = ui::ControllerRegistry::shared();
    registry.registerController("variableDetail",
                                [] { return std::make_shared<VariableDetailViewController>(); });
    registry.registerController("CorrelationViewController",
                                [] { return std::make_shared<CorrelationViewController>(); });
    // The kinds "New Analysis" offers, each with its screen.
    AnalysisKinds::shared().add({"Correlation", 3, 0, [] { return std::make_shared<CorrelationViewController>(); }});
    registerRegressionKinds();
    AnalysisKinds::shared().add(
        {"Hypothesis Test of Means", 5, 0, [] { return std::make_shared<HypothesisTestViewController>(); }});
    AnalysisKinds::shared().add(
        {"Hypothesis Test of Proportions", 5, 2, [] { return std::make_shared<HypothesisTestViewController>(); }});
    AnalysisKinds::shared().add({"Two way table", 1, 0, [] { return std::make_shared<TwoWayTabController>(); }});
    registry.registerController("AnalysesViewController",
                                [] { return std::make_shared<AnalysesViewController>(); });
}
