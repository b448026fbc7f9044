#include "plugins/kbservice/KBText.h"

#include <QStringDecoder>

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

std::string FromService(const std::string &utf8)
{
    // Each character U+0080-U+00FF is two bytes C2/C3 xx in UTF-8.
    std::string bytes;
    bool high = false;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            bytes += char(c);
            continue;
        }
        if ((c != 0xC2 && c != 0xC3) || i + 1 == utf8.size())
            return utf8;
        const auto next = static_cast<unsigned char>(utf8[++i]);
        if ((next & 0xC0) != 0x80)
            return utf8;
        bytes += char(((c & 0x03) << 6) | (next & 0x3F));
        high = true;
    }
    if (!high)
        return utf8;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    [[maybe_unused]] const QString decoded = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return decoder.hasError() ? utf8 : bytes;
}

} // namespace KBText
