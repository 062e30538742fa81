// Text form of an error value for logs.
#include "import/ImportError.h"

std::string ImportError::description() const {
    if (!message.empty())
        return message;
    return domain + " error " + std::to_string(code);
}
