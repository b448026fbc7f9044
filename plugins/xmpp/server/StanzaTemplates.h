#pragma once
// The stanza templates of the file "xmpp_messages.xml" in the program's
// folder: a "messages" root whose "message" children, in document order,
// hold the stanza text of the commands 11200 to 11299. The file is read
// anew for every command, so it is bounded and refuses a DTD (no entity
// tricks); a missing or malformed file gives no templates at all.
// Any thread; the plug-in reads it on the user-interface thread.

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

namespace Quelvar {

inline constexpr char kStanzaTemplateFile[] = "xmpp_messages.xml";
inline constexpr unsigned kFirstTemplateCommand = 11200;
inline constexpr unsigned kLastTemplateCommand = 11299;
inline constexpr qint64 kMaxTemplateFileBytes = 1024 * 1024;

struct StanzaTemplates
{
    // Each template's content: the XML of its child nodes, joined in order.
    QStringList templates;
    // Why there are none, for the log; empty when the file was read.
    QString error;
};

StanzaTemplates ReadStanzaTemplates(const QString &path);
StanzaTemplates ParseStanzaTemplates(const QByteArray &xml);

// A raw stanza of a plug-in: "%%JID%%" becomes the own JID and "%%DOMAIN%%"
// its domain, both escaped for XML.
std::string FillRawStanza(std::string_view text, const std::string &ownJid, const std::string &ownDomain);
// A template as sent: "%%TO%%" becomes the own JID and "%%FROM%%" its domain,
// both escaped for XML; the result is UTF-8.
std::string FillTemplate(const QString &stanza, const std::string &ownJid, const std::string &ownDomain);

} // namespace Quelvar
