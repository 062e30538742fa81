// Archiving of the hosting view: its frame, the collapse flag, the graph and the pinch flag.
#include "plot/graph/CPTArchiveSupport.h"
#include "plot/hosting/CPTGraphHostingView.h"

using foundation::KeyedArchiver;
using foundation::KeyedUnarchiver;

void CPTGraphHostingView::encodeWithCoder(KeyedArchiver& coder) const {
    encodeCPTRect(coder, frame(), "UIView.frame");
    coder.encodeBool(collapsesLayers_, "CPTGraphHostingView.collapsesLayers");
    cptarchive::encodeLayer(coder, hostedGraph_.get(), "CPTGraphHostingView.hostedGraph");
    coder.encodeBool(allowPinchScaling_, "CPTGraphHostingView.allowPinchScaling");
}

std::shared_ptr<CPTGraphHostingView> CPTGraphHostingView::hostingViewWithCoder(KeyedUnarchiver& coder) {
    const CGPoint origin = cptarchive::decodeFinitePoint(coder, "UIView.frame.origin");
    const CGSize size = cptarchive::decodeFiniteSize(coder, "UIView.frame.size");
    if (coder.failed())
        return nullptr;
    auto view = std::make_shared<CPTGraphHostingView>(ui::Rect(origin, size));
    // Stored as it is: the graph attached next goes where the flag says.
    view->collapsesLayers_ = coder.decodeBoolForKey("CPTGraphHostingView.collapsesLayers");
    auto graph = cptarchive::decodeLayer<CPTGraph>(coder, "CPTGraphHostingView.hostedGraph", "a graph");
    if (coder.failed())
        return nullptr;
    view->setHostedGraph(graph);
    if (coder.containsValueForKey("CPTGraphHostingView.allowPinchScaling"))
        view->setAllowPinchScaling(coder.decodeBoolForKey("CPTGraphHostingView.allowPinchScaling"));
    return coder.failed() ? nullptr : view;
}

std::vector<std::uint8_t> CPTGraphHostingView::archivedView(const CPTGraphHostingView& view) {
    KeyedArchiver coder("CPTGraphHostingView");
    coder.setRootIdentity(static_cast<const void*>(&view));
    view.encodeWithCoder(coder);
    return coder.encodedData();
}

std::shared_ptr<CPTGraphHostingView> CPTGraphHostingView::unarchivedView(std::span<const std::uint8_t> data,
                                                                         std::string* error) {
    KeyedUnarchiver coder(data);
    auto view = coder.decodeRootObject<CPTGraphHostingView>({"CPTGraphHostingView"}, hostingViewWithCoder);
    if (error != nullptr)
        *error = coder.failed() ? coder.error() : std::string();
    return coder.failed() ? nullptr : view;
}
