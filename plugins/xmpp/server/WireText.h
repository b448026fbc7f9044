#pragma once
// Text helpers of the chat service's stanzas: escaping, Base64 both ways,
// and the placeholders of raw stanzas and stanza templates. Pure functions;
// any thread.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Quelvar {

// & < > " ' as entities, for text put into an attribute or element.
std::string EscapeXml(std::string_view text);

std::string EncodeBase64(std::string_view bytes);
// Line breaks and other white space are skipped, missing padding is
// accepted; any other character outside the alphabet fails.
std::optional<std::string> DecodeBase64(std::string_view text);

using Placeholders = std::vector<std::pair<std::string_view, std::string_view>>;
// Every occurrence of each placeholder replaced by its value, in one pass:
// text that a value brings in is never replaced again.
std::string ReplacePlaceholders(std::string_view text, const Placeholders &placeholders);

} // namespace Quelvar
