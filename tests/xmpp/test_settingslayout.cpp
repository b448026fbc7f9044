// The settings-layout builders of the plug-in base class: the layouts of
// Wirlam and of the live chat, compared as XML.

#include "tests/xmpp/XmlCompare.h"

#include "plugins/chat/TessaryPlugin.h"
#include "plugins/xmpp/Wirlam.h"

#include <QDomDocument>

#include <gtest/gtest.h>

using QVPlugin::CPluginBase;

namespace {

QDomDocument SettingsDocument()
{
    QDomDocument doc;
    doc.appendChild(doc.createElement("settings"));
    return doc;
}

::testing::AssertionResult SameXml(const QDomDocument &doc, const std::string &golden)
{
    return xmltest::SameXml(xmltest::ParseXml(doc.toString().toStdString()).get(), golden);
}

} // namespace

TEST(SettingsLayout, PluginLayoutsMatchTheirXml)
{
    CWirlam wirlam;
    CTessaryPlugin tessary;
    const struct
    {
        const char *name;
        std::function<void(QDomDocument *)> build;
        const char *xml;
    } cases[] = {
        {"Wirlam", [&](QDomDocument *doc) { wirlam.BuildSettingsLayout(doc); }, R"(
<settings><category id="xmpp" label="Server"><layout>
  <group id="xmpp.server.settings" label="Server settings">
    <label>Server connection settings</label>
    <setting type="text" key="server.address" default="127.0.0.1:5222"><label>&amp;Server:</label></setting>
    <setting type="text" key="server.username"><label>&amp;Username:</label></setting>
    <setting type="password" key="server.password"><label>&amp;Password:</label></setting>
  </group>
</layout></category></settings>)"},
        {"Tessary", [&](QDomDocument *doc) { tessary.BuildSettingsLayout(doc); }, R"(
<settings><category id="chat" label="Chat"><layout>
  <group id="chat.settings" label="Chat settings">
    <label>Live chat settings</label>
    <setting type="bool" key="chatpane.timestamp" default="true"><label>&amp;Show timestamp</label></setting>
    <setting type="text" key="chatpane.timestamp.format" default="%#I:%M:%S %p">
      <label>&amp;Timestamp Format:</label></setting>
    <setting type="number" key="chat.idle.minutes" default="10" from="0" to="60">
      <label>&amp;Idle Timeout (min):</label></setting>
    <setting type="bool" key="quicktext.duplicates" default="false"><label>Show &amp;duplicate Quick Text</label>
    </setting>
  </group>
</layout></category></settings>)"},
    };
    for (const auto &c : cases) {
        QDomDocument doc = SettingsDocument();
        c.build(&doc);
        EXPECT_TRUE(SameXml(doc, c.xml)) << c.name;
        // Building twice finds the category and group again and only adds rows.
        c.build(&doc);
        EXPECT_EQ(doc.documentElement().elementsByTagName("category").count(), 1) << c.name;
        EXPECT_EQ(doc.documentElement().elementsByTagName("group").count(), 1) << c.name;
    }
}

TEST(SettingsLayout, RepeatedIdsFindTheExistingNodeAndIncompleteSettingsAddNothing)
{
    QDomDocument doc = SettingsDocument();
    const QDomElement root = doc.documentElement();
    const QDomElement category = CPluginBase::LayoutCategory(root, "chat", "Chat");
    EXPECT_EQ(CPluginBase::LayoutCategory(root, "chat", "Other label"), category);
    const QDomElement group = CPluginBase::LayoutGroup(category, "g1", "G1");
    EXPECT_EQ(CPluginBase::LayoutGroup(category, "g1", "again"), group);
    CPluginBase::LayoutGroup(category, "g2", "G2");
    // A category of the same id below another is a new one.
    CPluginBase::LayoutCategory(category, "chat", "Nested");

    EXPECT_TRUE(CPluginBase::LayoutSetting(group, "Label", "text", QString()).isNull());
    EXPECT_TRUE(CPluginBase::LayoutSetting(group, "Label", QString(), "key").isNull());
    EXPECT_TRUE(CPluginBase::LayoutSetting(group, QString(), "text", "key").isNull());
    EXPECT_TRUE(CPluginBase::LayoutGroup(QDomElement(), "g", "G").isNull());
    EXPECT_TRUE(SameXml(doc, R"(<settings><category id="chat" label="Chat"><layout><group id="g1" label="G1"/>
        <group id="g2" label="G2"/></layout><category id="chat" label="Nested"/></category></settings>)"));
    // An empty default is still a default.
    EXPECT_TRUE(CPluginBase::LayoutTextSetting(group, "L", "k", "").hasAttribute("default"));
}
