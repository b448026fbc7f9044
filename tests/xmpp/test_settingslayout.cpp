#include "plugins/xmpp/PluginBase.h"

#include <QDomDocument>
#include <QStringList>

#include <gtest/gtest.h>

using QVPlugin::CPluginBase;

namespace {

// An element as comparable text: attributes sorted, text trimmed, children in
// order. QDom writes attributes in no fixed order, so strings cannot be compared.
QString Canonical(const QDomElement &e)
{
    QStringList attrs;
    const QDomNamedNodeMap map = e.attributes();
    for (int i = 0; i < map.count(); ++i) {
        const QDomAttr a = map.item(i).toAttr();
        attrs << a.name() + QLatin1String("=\"") + a.value() + QLatin1Char('"');
    }
    attrs.sort();
    QString out = QLatin1Char('<') + e.tagName();
    for (const QString &a : attrs)
        out += QLatin1Char(' ') + a;
    out += QLatin1Char('>');
    for (QDomNode n = e.firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (n.isElement())
            out += Canonical(n.toElement());
        else if (n.isText())
            out += n.nodeValue().trimmed();
    }
    return out + QLatin1String("</") + e.tagName() + QLatin1Char('>');
}

QString CanonicalXml(const QString &xml)
{
    QDomDocument doc;
    EXPECT_TRUE(doc.setContent(xml)) << xml.toStdString();
    return Canonical(doc.documentElement());
}

QDomDocument SettingsDocument()
{
    QDomDocument doc;
    doc.appendChild(doc.createElement(QStringLiteral("settings")));
    return doc;
}

// The layouts the XMPP and live-chat plug-ins contribute.
void BuildWirlamLayout(QDomDocument &doc)
{
    QDomElement category = CPluginBase::LayoutCategory(doc.documentElement(), "xmpp", "Server");
    QDomElement group = CPluginBase::LayoutGroup(category, "xmpp.server.settings", "Server settings");
    CPluginBase::LayoutLabel(group, "Server connection settings");
    CPluginBase::LayoutTextSetting(group, "&Server:", "server.address", "127.0.0.1:5222");
    CPluginBase::LayoutTextSetting(group, "&Username:", "server.username");
    CPluginBase::LayoutSetting(group, "&Password:", "password", "server.password");
}

void BuildTessaryLayout(QDomDocument &doc)
{
    QDomElement category = CPluginBase::LayoutCategory(doc.documentElement(), "chat", "Chat");
    QDomElement group = CPluginBase::LayoutGroup(category, "chat.settings", "Chat settings");
    CPluginBase::LayoutLabel(group, "Live chat settings");
    CPluginBase::LayoutSetting(group, "&Show timestamp", "bool", "chatpane.timestamp", "false");
    CPluginBase::LayoutTextSetting(group, "&Timestamp Format:", "chatpane.timestamp.format", "%-I:%M:%S %p");
    QDomElement idle = CPluginBase::LayoutSetting(group, "&Idle Timeout (min):", "number", "chat.idle.minutes", "10");
    idle.setAttribute("from", 0);
    idle.setAttribute("to", 60);
    CPluginBase::LayoutSetting(group, "&Show duplicate Quick Text", "bool", "quicktext.duplicates", "false");
}

} // namespace

TEST(SettingsLayout, PluginLayoutsMatchTheirXml)
{
    struct Case
    {
        const char *name;
        void (*build)(QDomDocument &);
        const char *xml;
    };
    const Case cases[] = {
        {"Wirlam", BuildWirlamLayout, R"(
<settings><category id="xmpp" label="Server"><layout>
  <group id="xmpp.server.settings" label="Server settings">
    <label>Server connection settings</label>
    <setting type="text" key="server.address" default="127.0.0.1:5222"><label>&amp;Server:</label></setting>
    <setting type="text" key="server.username"><label>&amp;Username:</label></setting>
    <setting type="password" key="server.password"><label>&amp;Password:</label></setting>
  </group>
</layout></category></settings>)"},
        {"Tessary", BuildTessaryLayout, R"(
<settings><category id="chat" label="Chat"><layout>
  <group id="chat.settings" label="Chat settings">
    <label>Live chat settings</label>
    <setting type="bool" key="chatpane.timestamp" default="false"><label>&amp;Show timestamp</label></setting>
    <setting type="text" key="chatpane.timestamp.format" default="%-I:%M:%S %p"><label>&amp;Timestamp Format:</label></setting>
    <setting type="number" key="chat.idle.minutes" default="10" from="0" to="60"><label>&amp;Idle Timeout (min):</label></setting>
    <setting type="bool" key="quicktext.duplicates" default="false"><label>&amp;Show duplicate Quick Text</label></setting>
  </group>
</layout></category></settings>)"},
    };
    for (const Case &c : cases) {
        QDomDocument doc = SettingsDocument();
        c.build(doc);
        EXPECT_EQ(Canonical(doc.documentElement()), CanonicalXml(QString::fromUtf8(c.xml))) << c.name;
        // Building twice finds the category and group again and only adds rows.
        c.build(doc);
        EXPECT_EQ(doc.documentElement().elementsByTagName("category").count(), 1) << c.name;
        EXPECT_EQ(doc.documentElement().elementsByTagName("group").count(), 1) << c.name;
    }
}

TEST(SettingsLayout, RepeatedIdsReturnTheExistingNode)
{
    QDomDocument doc = SettingsDocument();
    const QDomElement root = doc.documentElement();
    const QDomElement category = CPluginBase::LayoutCategory(root, "chat", "Chat");
    EXPECT_EQ(CPluginBase::LayoutCategory(root, "chat", "Other label"), category);
    EXPECT_EQ(category.attribute("label"), "Chat");

    const QDomElement group = CPluginBase::LayoutGroup(category, "g1", "G1");
    EXPECT_EQ(CPluginBase::LayoutGroup(category, "g1", "again"), group);
    const QDomElement second = CPluginBase::LayoutGroup(category, "g2", "G2");
    EXPECT_NE(second, group);
    EXPECT_EQ(second.parentNode(), group.parentNode()) << "one layout per category";

    // A nested category is found below its parent only.
    const QDomElement nested = CPluginBase::LayoutCategory(category, "chat", "Nested");
    EXPECT_NE(nested, category);
    EXPECT_EQ(nested.parentNode(), category);
    EXPECT_EQ(CanonicalXml(R"(<settings><category id="chat" label="Chat"><layout><group id="g1" label="G1"/>
        <group id="g2" label="G2"/></layout><category id="chat" label="Nested"/></category></settings>)"),
              Canonical(root));
}

TEST(SettingsLayout, IncompleteSettingsAddNothing)
{
    QDomDocument doc = SettingsDocument();
    QDomElement group = CPluginBase::LayoutGroup(CPluginBase::LayoutCategory(doc.documentElement(), "c", "C"), "g", "G");
    EXPECT_TRUE(CPluginBase::LayoutSetting(group, "Label", "text", QString()).isNull());
    EXPECT_TRUE(CPluginBase::LayoutSetting(group, "Label", QString(), "key").isNull());
    EXPECT_TRUE(CPluginBase::LayoutSetting(group, QString(), "text", "key").isNull());
    EXPECT_FALSE(group.hasChildNodes());
    EXPECT_TRUE(CPluginBase::LayoutGroup(QDomElement(), "g", "G").isNull());

    // An empty default is still a default.
    EXPECT_TRUE(CPluginBase::LayoutTextSetting(group, "L", "k", "").hasAttribute("default"));
}
