#include "plugins/kbservice/KBText.h"

namespace KBText {

FindPairs FindPairsOf(const QVPlugin::KBSearchParams &params)
{
    FindPairs pairs;
    const auto add = [&pairs](const char *attribute, std::string value) {
        pairs.attributes.emplace_back(attribute);
        pairs.values.push_back(std::move(value));
    };
    if (!params.articleNumber.empty())
        add("ARTICLE NUMBER", params.articleNumber);
    if (!params.keywords.empty())
        add("KEYWORDS", params.keywords);
    if (!params.status.empty())
        add("STATUS", params.status);
    if (params.categoryId > 0)
        add("CATEGORY", std::to_string(params.categoryId));
    if (params.searchText)
        add("TEXT", "1");
    return pairs;
}

namespace {
void ReplaceAll(std::string &text, std::string_view find, std::string_view with)
{
    std::string out;
    out.reserve(text.size());
    size_t from = 0;
    for (size_t at = text.find(find); at != std::string::npos; at = text.find(find, from)) {
        out.append(text, from, at - from);
        out.append(with);
        from = at + find.size();
    }
    out.append(text, from);
    text = std::move(out);
}
} // namespace

std::string CleanSearchExcerpt(std::string_view text)
{
    std::string out(text.substr(0, text.find('\0')));
    ReplaceAll(out, "&nbsp;", " ");
    ReplaceAll(out, "&amp;", " ");
    ReplaceAll(out, "&lt;", "<");
    ReplaceAll(out, "&gt;", ">");
    ReplaceAll(out, "\r\n", " ");
    return out;
}

} // namespace KBText
