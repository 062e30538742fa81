// The glossary of statistical terms that result screens explain: a fixed table of keys, titles and
// short texts, built afresh on each request, and the search over titles.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

class Glossary {
  public:
    // Key -> {"title": ..., "text": ...}, both through the localized-string lookup.
    using Terms = std::map<std::string, std::map<std::string, std::string>>;

    static Terms dictTerms();
    // Nothing for an unknown key or attribute.
    static std::optional<std::string> attribute(const std::string& attributeName, const std::string& term);
    static std::optional<std::string> titleForTerm(const std::string& term);
    static std::optional<std::string> textForTerm(const std::string& term);
    // The keys whose title contains the search text, ignoring case and accents; each once, in the given
    // order; keys not in the table are left out.
    static std::vector<std::string> subsetOfTerms(const std::vector<std::string>& terms, const std::string& substring);
};
