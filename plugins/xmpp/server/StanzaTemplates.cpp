#include "plugins/xmpp/server/StanzaTemplates.h"

#include "plugins/xmpp/server/WireText.h"

#include <QDomDocument>
#include <QFile>
#include <QTextStream>
#include <QXmlStreamReader>

namespace Quelvar {

namespace {

StanzaTemplates Failed(const QString &error)
{
    return {QStringList(), error};
}

// The whole document once through the stream reader, which stops at the
// first error: a DTD is refused before anything could expand it.
QString CheckDocument(const QByteArray &xml)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::DTD)
            return QStringLiteral("a DTD is not allowed");
    }
    if (reader.hasError())
        return QStringLiteral("line %1: %2").arg(reader.lineNumber()).arg(reader.errorString());
    return {};
}

QString InnerXml(const QDomElement &element)
{
    QString xml;
    QTextStream stream(&xml);
    for (QDomNode node = element.firstChild(); !node.isNull(); node = node.nextSibling())
        node.save(stream, -1);
    stream.flush();
    return xml;
}

} // namespace

StanzaTemplates ParseStanzaTemplates(const QByteArray &xml)
{
    if (const QString error = CheckDocument(xml); !error.isEmpty())
        return Failed(error);
    QDomDocument document;
    QString error;
    if (!document.setContent(xml, &error))
        return Failed(error);
    StanzaTemplates result;
    const QDomElement root = document.documentElement();
    if (root.tagName() != QLatin1String("messages"))
        return result;
    for (QDomElement message = root.firstChildElement(QStringLiteral("message")); !message.isNull();
         message = message.nextSiblingElement(QStringLiteral("message")))
        result.templates << InnerXml(message);
    return result;
}

StanzaTemplates ReadStanzaTemplates(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failed(file.errorString());
    // The file may grow between the two looks.
    const QByteArray xml = file.read(kMaxTemplateFileBytes + 1);
    if (xml.size() > kMaxTemplateFileBytes)
        return Failed(QStringLiteral("larger than %1 bytes").arg(kMaxTemplateFileBytes));
    return ParseStanzaTemplates(xml);
}

std::string FillRawStanza(std::string_view text, const std::string &ownJid, const std::string &ownDomain)
{
    const std::string jid = EscapeXml(ownJid);
    const std::string domain = EscapeXml(ownDomain);
    return ReplacePlaceholders(text, {{"%%JID%%", jid}, {"%%DOMAIN%%", domain}});
}

std::string FillTemplate(const QString &stanza, const std::string &ownJid, const std::string &ownDomain)
{
    const std::string jid = EscapeXml(ownJid);
    const std::string domain = EscapeXml(ownDomain);
    return ReplacePlaceholders(stanza.toStdString(), {{"%%TO%%", jid}, {"%%FROM%%", domain}});
}

} // namespace Quelvar
