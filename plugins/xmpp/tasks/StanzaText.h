#pragma once
// The names of the chat, presence and group-chat protocols on the wire, and
// the small helpers the stanza builders and readers share: namespaces as
// XML sees them, text crossing between the bus (QString) and gloox (UTF-8).
// Pure functions; any thread.

#include <QString>

#include <string>
#include <string_view>

namespace gloox {
class Tag;
}

namespace Stanza {

inline constexpr const char *kNsReceipts = "urn:xmpp:receipts";
inline constexpr const char *kNsChatStates = "http://jabber.org/protocol/chatstates";
inline constexpr const char *kNsMucUser = "http://jabber.org/protocol/muc#user";
inline constexpr const char *kNsMucRequest = "http://jabber.org/protocol/muc#request";
inline constexpr const char *kNsDataForms = "jabber:x:data";
inline constexpr const char *kNsDelay = "jabber:x:delay";
inline constexpr const char *kNsDiscoInfo = "http://jabber.org/protocol/disco#info";
inline constexpr const char *kNsCaps = "http://jabber.org/protocol/caps";

// Our client's entity-capabilities node: only a "c" element with this node
// can announce the voice and sharing extensions.
inline constexpr const char *kClientCapsNode = "quelvar:ostrel:caps";

// Longest status kept from a contact's presence, in UTF-8 bytes.
inline constexpr size_t kMaxStatusBytes = 300;

// The element's namespace, inherited from its ancestors when it declares
// none (gloox only reports a namespace the element declares itself).
std::string NamespaceOf(const gloox::Tag &tag);

// A new child element declaring its own namespace; owned by parent.
gloox::Tag *AddElement(gloox::Tag *parent, const std::string &name, const char *ns);

// The first child with this name in this namespace, or null.
const gloox::Tag *FindChild(const gloox::Tag &parent, std::string_view name, std::string_view ns);
// The first child in this namespace, whatever its name, or null.
const gloox::Tag *FindChildIn(const gloox::Tag &parent, std::string_view ns);

// UTF-8 for the wire, without the characters XML 1.0 cannot carry (control
// characters, lone surrogates, U+FFFE and U+FFFF): gloox refuses a whole
// text or attribute holding one, which would lose all of it.
std::string ToWire(const QString &text);
QString FromWire(const std::string &text);

// Whether the bytes are valid UTF-8 holding only characters XML 1.0 allows.
bool IsXmlText(std::string_view utf8);

// At most maxBytes of text, cut before the UTF-8 character that would
// cross the limit.
std::string CutUtf8(const std::string &text, size_t maxBytes);

// Whether word occurs in list as a whole word; words are separated by
// blank, tab, carriage return or line feed.
bool HasWord(std::string_view list, std::string_view word);

} // namespace Stanza
