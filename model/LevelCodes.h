// The 0/1 coding of a two-outcome variable's texts, seeded by the levels a screen chose or built in the
// order met, shared by the design matrices and the tests of proportions.
#pragma once

#include "model/ColumnStatistics.h"

#include <set>
#include <string>
#include <string_view>

class LevelCodes {
  public:
    explicit LevelCodes(FactorCodes seed) : codes_(std::move(seed)) {
        for (const auto& [text, code] : codes_)
            used_.insert(code);
    }
    // The text's code; a text not known yet takes the next code (the number of texts known) unless a
    // known text already holds that code, in which case it has none (-1). Empty texts have none.
    int64_t code(std::string_view text) {
        if (text.empty())
            return -1;
        key_.assign(text);
        auto it = codes_.find(key_);
        if (it != codes_.end())
            return it->second;
        const auto next = static_cast<int64_t>(codes_.size());
        const int64_t code = used_.count(next) ? -1 : next;
        codes_.emplace(key_, code);
        used_.insert(code);
        return code;
    }
    // Only 0 and 1 are outcomes: a further level ("maybe") is a missing value, never y = 2.
    static bool isOutcome(int64_t code) { return code == 0 || code == 1; }
    const FactorCodes& codes() const { return codes_; }

  private:
    FactorCodes codes_;
    std::set<int64_t> used_;
    std::string key_; // the text looked up, kept to reuse its memory
};
