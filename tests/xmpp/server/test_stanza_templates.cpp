#include "StanzaXml.h"

#include "plugins/xmpp/server/StanzaTemplates.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace Quelvar;

const char kTwoTemplates[] =
    "<?xml version='1.0' encoding='UTF-8'?>\n"
    "<messages>\n"
    "  <message><presence/></message>\n"
    "  <!-- the second one asks the server for its version -->\n"
    "  <message>\n"
    "    <iq type='get' id='v1' to='%%FROM%%' from='%%TO%%'>"
    "<query xmlns='jabber:iq:version' node='%%TO%%'>caf\xc3\xa9 &amp; co</query></iq>\n"
    "  </message>\n"
    "  <other><presence type='x'/></other>\n"
    "</messages>\n";

TEST(StanzaTemplates, SecondTemplateWithPlaceholders)
{
    const StanzaTemplates read = ParseStanzaTemplates(kTwoTemplates);
    ASSERT_EQ(read.error, "");
    ASSERT_EQ(read.templates.size(), 2);
    EXPECT_XML_EQ(read.templates[0].toStdString(), "<presence/>");

    const std::string sent = FillTemplate(read.templates[1], "agent@localhost/Ostrel", "localhost");
    EXPECT_XML_EQ(sent, "<iq type='get' id='v1' to='localhost' from='agent@localhost/Ostrel'>"
                        "<query xmlns='jabber:iq:version' node='agent@localhost/Ostrel'>caf\xc3\xa9 &amp; co</query>"
                        "</iq>");
    EXPECT_EQ(sent.find("%%"), std::string::npos);
}

TEST(StanzaTemplates, TextInOtherEncodingsGoesOutAsUtf8)
{
    const StanzaTemplates read =
        ParseStanzaTemplates("<?xml version='1.0' encoding='ISO-8859-1'?><messages><message>"
                             "<message to='%%FROM%%'><body>Gr\xfc\xdf" "e</body></message></message></messages>");
    ASSERT_EQ(read.templates.size(), 1);
    EXPECT_XML_EQ(FillTemplate(read.templates[0], "a@b/c", "b"),
                  "<message to='b'><body>Gr\xc3\xbc\xc3\x9f" "e</body></message>");
}

TEST(StanzaTemplates, UnusableFilesGiveNoTemplates)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    };
    QByteArray large = "<messages><message><presence/></message><!--";
    large += QByteArray(int(kMaxTemplateFileBytes), 'x');
    large += "--></messages>";

    const struct
    {
        const char *name;
        QString path;
        bool error;
    } cases[] = {
        {"missing", dir.filePath("none.xml"), true},
        {"malformed", write("bad.xml", "<messages><message><presence></message></messages>"), true},
        {"empty", write("empty.xml", ""), true},
        {"a DTD", write("dtd.xml", "<!DOCTYPE messages [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b '&a;&a;&a;&a;'>]>"
                                   "<messages><message><presence status='&b;'/></message></messages>"), true},
        {"over the size bound", write("large.xml", large), true},
        {"a folder", dir.path(), true},
        {"another root", write("root.xml", "<stanzas><message><presence/></message></stanzas>"), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const StanzaTemplates read = ReadStanzaTemplates(c.path);
        EXPECT_TRUE(read.templates.isEmpty());
        EXPECT_EQ(!read.error.isEmpty(), c.error) << read.error.toStdString();
    }
    const QString good = write("good.xml", kTwoTemplates);
    EXPECT_EQ(ReadStanzaTemplates(good).templates.size(), 2);
}

TEST(RawStanza, PlaceholdersAreReplacedOnceAndEscaped)
{
    const struct
    {
        const char *name;
        std::string jid;
        std::string domain;
        const char *text;
        const char *sent;
    } cases[] = {
        {"both, twice", "agent@localhost/Ostrel", "localhost",
         "<iq to='%%DOMAIN%%' from='%%JID%%'><q a='%%JID%%'/></iq>",
         "<iq to='localhost' from='agent@localhost/Ostrel'><q a='agent@localhost/Ostrel'/></iq>"},
        {"a resource that looks like markup", "agent@localhost/a'<&", "localhost", "<x v='%%JID%%'/>",
         "<x v='agent@localhost/a&apos;&lt;&amp;'/>"},
        {"a value is not replaced again", "agent@localhost/%%DOMAIN%%", "localhost", "<x v='%%JID%%'/>",
         "<x v='agent@localhost/%%DOMAIN%%'/>"},
        {"partial and template placeholders stay", "a@b/c", "b", "%%JID% %%TO%% %%%DOMAIN%%",
         "%%JID% %%TO%% %b"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FillRawStanza(c.text, c.jid, c.domain), c.sent);
    }
}

} // namespace
