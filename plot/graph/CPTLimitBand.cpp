// The limit band's debug text.
#include "plot/graph/CPTLimitBand.h"

#include "plot/foundation/CPTFill.h"

std::string CPTLimitBand::description() const {
    std::string range = range_ ? range_->description() : "(null)";
    std::string fill = fill_ ? CPTObjectDescription("CPTFill", fill_.get()) : "(null)";
    return "<" + CPTObjectDescription("CPTLimitBand", this) + " with range: " + range + " and fill: " + fill +
           ">";
}
