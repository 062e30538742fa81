// Archives written by hand that a decode must refuse, as a table: the root's class, what is written
// under it, and a part of the error the decode gives.
#pragma once

#include "platform/foundation/KeyedArchive.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace refusedArchives {

struct Case {
    const char* name;
    const char* className;
    std::function<void(foundation::KeyedArchiver&)> write;
    const char* error; // a part of the message
};

// Each case's archive, decoded through `unarchive(data, &error)`, gives no object and an error that
// holds the case's part.
template <class Unarchive> void expectRefused(const std::vector<Case>& cases, Unarchive unarchive) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        foundation::KeyedArchiver coder(c.className);
        c.write(coder);
        std::string error;
        EXPECT_EQ(unarchive(coder.encodedData(), &error), nullptr);
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}

} // namespace refusedArchives
