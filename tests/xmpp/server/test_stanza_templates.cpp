#include "tests/xmpp/XmlCompare.h"

#include "plugins/xmpp/server/StanzaTemplates.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace Quelvar;

TEST(StanzaTemplates, TheSecondTemplateWithItsPlaceholdersInUtf8)
{
    const StanzaTemplates read = ParseStanzaTemplates(
        "<?xml version='1.0' encoding='ISO-8859-1'?>\n<messages>\n"
        "  <message><presence/></message>\n  <!-- a comment -->\n  <other><presence/></other>\n"
        "  <message>\n    <iq type='get' id='v1' to='%%FROM%%'><q xmlns='urn:q' a='%%TO%%'>%%TO%% caf\xe9 &amp;</q>"
        "</iq>\n  </message>\n</messages>\n");
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.templates.size(), 2);
    const std::string sent = FillTemplate(read.templates[1], "agent@localhost/Ostrel", "localhost");
    EXPECT_TRUE(xmltest::SameXml(xmltest::ParseXml(sent).get(),
                                 "<iq type='get' id='v1' to='localhost'><q xmlns='urn:q' a='agent@localhost/Ostrel'>"
                                 "agent@localhost/Ostrel caf\xc3\xa9 &amp;</q></iq>"))
        << sent;
}

TEST(StanzaTemplates, UnusableFilesGiveNoTemplates)
{
    QTemporaryDir dir;
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    const QByteArray large = "<messages><message><presence/></message><!--"
        + QByteArray(int(kMaxTemplateFileBytes), 'x') + "--></messages>";
    const std::pair<const char *, QString> cases[] = {
        {"missing", dir.filePath("none.xml")},
        {"malformed", write("bad.xml", "<messages><message><presence></message></messages>")},
        {"a DTD", write("dtd.xml", "<!DOCTYPE messages [<!ENTITY a 'aaaaaaaa'><!ENTITY b '&a;&a;&a;'>]>"
                                   "<messages><message><presence status='&b;'/></message></messages>")},
        {"over the size bound", write("large.xml", large)},
    };
    for (const auto &[name, path] : cases) {
        const StanzaTemplates read = ReadStanzaTemplates(path);
        EXPECT_TRUE(read.templates.isEmpty() && !read.error.isEmpty()) << name;
    }
}

TEST(RawStanza, PlaceholdersAreReplacedOnceAndEscaped)
{
    const struct
    {
        const char *jid;
        const char *text;
        const char *sent;
    } cases[] = {
        {"agent@localhost/Ostrel", "<iq to='%%DOMAIN%%' from='%%JID%%'><q a='%%JID%%'/></iq>",
         "<iq to='localhost' from='agent@localhost/Ostrel'><q a='agent@localhost/Ostrel'/></iq>"},
        {"agent@localhost/a'<&", "<x v='%%JID%%'/>", "<x v='agent@localhost/a&apos;&lt;&amp;'/>"},
        {"agent@localhost/%%DOMAIN%%", "<x v='%%JID%%'/>", "<x v='agent@localhost/%%DOMAIN%%'/>"},
        {"a@b/c", "%%JID% %%TO%% %%%DOMAIN%%", "%%JID% %%TO%% %localhost"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FillRawStanza(c.text, c.jid, "localhost"), c.sent) << c.jid;
}

} // namespace
