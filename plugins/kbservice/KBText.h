#pragma once
// Text rules of the knowledge-base operations: the Find request's attribute
// and value pairs and the cleaning of search excerpts. Pure functions; any
// thread.

#include "bus/KBPayloads.h"

#include <string>
#include <string_view>
#include <vector>

namespace KBText {

struct FindPairs
{
    std::vector<std::string> attributes;
    std::vector<std::string> values; // lined up with attributes
};

// One pair per field that is set, in the fixed order article number,
// keywords, status, category, text.
FindPairs FindPairsOf(const QVPlugin::KBSearchParams &params);

// The excerpt up to its first zero byte, with "&nbsp;", "&amp;" and CR LF
// made blanks and "&lt;" / "&gt;" made angle brackets, one pattern after the
// other. The result is display text: it may hold "<" and must never reach
// HTML.
std::string CleanSearchExcerpt(std::string_view text);

} // namespace KBText
