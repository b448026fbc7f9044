#pragma once
// Stanzas in tests: XML text to a gloox Tag, and a canonical form of XML
// text that compares documents as XML (namespaces resolved, attribute order
// and quoting ignored, white space between elements dropped).

#include <gloox/parser.h>
#include <gloox/tag.h>
#include <gloox/taghandler.h>

#include <QDomDocument>
#include <QStringList>

#include <algorithm>
#include <memory>
#include <string>

namespace xmpptest {

// Null when the text is not one complete element.
inline std::unique_ptr<gloox::Tag> ParseStanza(std::string xml)
{
    struct Keep : gloox::TagHandler
    {
        void handleTag(gloox::Tag *tag) override { stanza.reset(tag->clone()); }
        std::unique_ptr<gloox::Tag> stanza;
    } keep;
    gloox::Parser parser(&keep);
    if (parser.feed(xml) != -1)
        return nullptr;
    return std::move(keep.stanza);
}

inline void CanonicalElement(const QDomElement &element, int depth, QStringList &lines)
{
    QStringList attributes;
    const QDomNamedNodeMap map = element.attributes();
    for (int i = 0; i < map.count(); ++i) {
        const QDomAttr attr = map.item(i).toAttr();
        attributes << QStringLiteral("{%1}%2='%3'").arg(attr.namespaceURI(), attr.localName(), attr.value());
    }
    std::sort(attributes.begin(), attributes.end());
    const QString indent(depth * 2, QLatin1Char(' '));
    lines << indent + QStringLiteral("{%1}%2 %3").arg(element.namespaceURI(), element.localName(), attributes.join(' '));
    for (QDomNode node = element.firstChild(); !node.isNull(); node = node.nextSibling()) {
        if (node.isElement())
            CanonicalElement(node.toElement(), depth + 1, lines);
        else if (node.isCharacterData() && !node.isComment() && !node.nodeValue().trimmed().isEmpty())
            lines << indent + QStringLiteral("  text '%1'").arg(node.nodeValue());
    }
}

// One line per element and text; "<not XML: ...>" for text that is not.
inline std::string CanonicalXml(const std::string &xml)
{
    QDomDocument document;
    QString error;
    if (!document.setContent(QByteArray::fromStdString(xml), true, &error))
        return "<not XML: " + error.toStdString() + ">";
    QStringList lines;
    CanonicalElement(document.documentElement(), 0, lines);
    return lines.join(QLatin1Char('\n')).toStdString();
}

} // namespace xmpptest

// Compares two XML texts as XML; the failure shows both canonical forms.
#define EXPECT_XML_EQ(actual, expected) \
    EXPECT_EQ(xmpptest::CanonicalXml(actual), xmpptest::CanonicalXml(expected))
