#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "plugins/chat/model/QuickText.h"
#include "plugins/chat/model/QuickTextKeys.h"
#include "plugins/chat/model/QuickTextMenu.h"
#include "plugins/chat/model/QuickTextStore.h"
#include "plugins/xmpp/server/DataStanzas.h"
#include "tests/xmpp/FakeHost.h"
#include "tests/xmpp/XmlCompare.h"

#include <gtest/gtest.h>

using namespace QVPlugin;

namespace {

const QString kOneItem = QStringLiteral(
    "<QUICKTEXTCATEGORY><TITLE><![CDATA[Greetings]]></TITLE>"
    "<QUICKTEXT><TITLE><![CDATA[Hello]]></TITLE><TEXT><![CDATA[Hi <b>there</b>]]></TEXT>"
    "<SHORTCUT>833</SHORTCUT></QUICKTEXT>\n</QUICKTEXTCATEGORY>\n");

// The list's content depth-first: "Cat{Item#number,...}" with items by title.
QString Dump(const CQuickTextCategory *category)
{
    QString out;
    for (const CQuickTextCategory *child : category->Categories())
        out += child->Title() + QLatin1Char('{') + Dump(child) + QLatin1Char('}');
    for (const CQuickTextItem *item : category->Items())
        out += item->Title() + QLatin1Char('#') + QString::number(item->Number()) + QLatin1Char(' ');
    return out;
}

// A list that holds only what the text gives.
struct Loaded
{
    explicit Loaded(const QString &xml, unsigned shared = 0, const QString &key = QString())
    {
        list.Read(xml, shared, key);
    }
    QString Dump() const { return ::Dump(list.Root()); }
    CQuickTextList list;
};

} // namespace

TEST(QuickTextList, StartsWithTheDefaultSetNumberedFromOne)
{
    CQuickTextList list;
    EXPECT_TRUE(list.DefaultsLoaded());
    ASSERT_EQ(list.Root()->Categories().size(), 2u);
    EXPECT_EQ(list.Root()->Categories()[0]->Title(), QStringLiteral("Introductions"));
    EXPECT_EQ(list.Root()->Categories()[1]->Title(), QStringLiteral("Miscellaneous"));
    std::size_t items = 0;
    for (const CQuickTextCategory *category : list.Root()->Categories())
        items += category->Items().size();
    EXPECT_EQ(items, 24u);
    EXPECT_EQ(list.FindItem(1), list.Root()->Categories()[0]->Items().front());
    EXPECT_NE(list.FindItem(24), nullptr);
    EXPECT_EQ(list.FindItem(25), nullptr);
}

TEST(QuickTextFile, WritesAndReadsTheExactForm)
{
    Loaded file(kOneItem);
    EXPECT_FALSE(file.list.DefaultsLoaded());
    EXPECT_EQ(file.Dump(), QStringLiteral("Greetings{Hello#1 }"));
    const CQuickTextItem *item = file.list.FindItem(1);
    EXPECT_EQ(item->Text(), QStringLiteral("Hi <b>there</b>"));
    EXPECT_EQ(item->Shortcut(), 833u);
    EXPECT_EQ(file.list.Write(0, QString()), kOneItem);
    // Shared items stay out of the agent's own file, and the other way round.
    EXPECT_EQ(file.list.Write(1, QString()), QString());
    Loaded shared(kOneItem, 1);
    EXPECT_EQ(shared.list.Write(0, QString()), QString());
    EXPECT_EQ(shared.list.Write(1, QString()), kOneItem);
}

TEST(QuickTextFile, EmptyCategoriesAreLeftOut)
{
    Loaded file{QString()};
    file.list.Root()->AddCategory(new CQuickTextCategory(QStringLiteral("Empty")));
    EXPECT_EQ(file.list.Write(0, QString()), QString());
}

TEST(QuickTextFile, BadInputKeepsWhatWasComplete)
{
    const QString a = QStringLiteral("<QUICKTEXT><TITLE>A</TITLE><TEXT>a</TEXT></QUICKTEXT>");
    const struct
    {
        const char *name;
        QString xml;
        QString expected;
    } cases[] = {
        {"second root element", QStringLiteral("<?xml version=\"1.0\"?>") + a + a, QStringLiteral("A#1 ")},
        {"truncated", a + QStringLiteral("<QUICKTEXT><TITLE>B</TITLE><TEXT>b"), QStringLiteral("A#1 ")},
        {"truncated inside a category",
         QStringLiteral("<QUICKTEXTCATEGORY><TITLE>C</TITLE>") + a + QStringLiteral("<QUICKTEXT><TI"),
         QStringLiteral("C{A#1 }")},
        {"untitled item and category",
         QStringLiteral("<QUICKTEXT><TEXT>x</TEXT></QUICKTEXT><QUICKTEXTCATEGORY>") + a
             + QStringLiteral("</QUICKTEXTCATEGORY>"),
         QString()},
        {"document type", QStringLiteral("<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY e \"E\">]><x>") + a
                              + QStringLiteral("</x>"),
         QString()},
        {"several top-level entries and a shortcut of 0",
         a + QStringLiteral("<QUICKTEXT><TITLE>B</TITLE><SHORTCUT>0</SHORTCUT></QUICKTEXT>"),
         QStringLiteral("A#1 B#2 ")},
        {"merges same-titled categories",
         QStringLiteral("<QUICKTEXTCATEGORY><TITLE>C</TITLE>") + a
             + QStringLiteral("</QUICKTEXTCATEGORY><QUICKTEXTCATEGORY><TITLE>C</TITLE>") + a
             + QStringLiteral("</QUICKTEXTCATEGORY>"),
         QStringLiteral("C{A#1 A#2 }")},
        {"byte-order mark before the declaration",
         QChar(0xFEFF) + QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><x>") + a + QStringLiteral("</x>"),
         QStringLiteral("A#1 ")},
    };
    for (const auto &c : cases) {
        Loaded file(c.xml);
        EXPECT_EQ(file.Dump(), c.expected) << c.name;
    }
    Loaded deep(QStringLiteral("<QUICKTEXTCATEGORY><TITLE>x</TITLE>").repeated(20000) + a);
    EXPECT_EQ(deep.list.Write(0, QString()), QString());
}

TEST(QuickTextFile, TextThatWouldEndCdataAndForbiddenCharactersRoundTrip)
{
    Loaded file{QString()};
    file.list.Root()->AddItem(new CQuickTextItem(0, QString(), QStringLiteral("a]]>b"),
                                                 QStringLiteral("x]]><QUICKTEXT>&y\r\n") + QChar(0x1) + QChar(0xFEFF) + QChar(0xD800) + QStringLiteral("z")));
    const QString written = file.list.Write(0, QString());
    Loaded again(written);
    ASSERT_NE(again.list.FindItem(1), nullptr) << written.toStdString();
    EXPECT_EQ(again.list.FindItem(1)->Title(), QStringLiteral("a]]>b"));
    EXPECT_EQ(again.list.FindItem(1)->Text(), QStringLiteral("x]]><QUICKTEXT>&y\r\n") + QChar(0xFEFF) + QStringLiteral("z"));
    EXPECT_EQ(again.list.FindItem(2), nullptr);
}

TEST(QuickTextFile, ARepeatedFileReplacesItsOwnItemsOnly)
{
    CQuickTextList list;
    int reloads = 0;
    QObject::connect(&list, &CQuickTextList::Reloaded, [&] { ++reloads; });
    const QString shared = QStringLiteral("<QUICKTEXT><TITLE>S</TITLE></QUICKTEXT>");
    list.Read(kOneItem, 0, QStringLiteral("acct"));
    list.Read(shared, 1, QStringLiteral("acct"));
    // The cache answers first, the server later: same files again.
    list.Read(kOneItem, 0, QStringLiteral("acct"));
    list.Read(shared, 1, QStringLiteral("acct"));
    EXPECT_EQ(Dump(list.Root()), QStringLiteral("Greetings{Hello#1 }S#2 "));
    EXPECT_EQ(reloads, 4);
    // Items read under the account are written back under it.
    EXPECT_EQ(list.Write(0, QStringLiteral("acct")), kOneItem);
    EXPECT_EQ(list.Write(0, QStringLiteral("other")), QString());
    // An empty answer empties what that file held, and the tree hears of it.
    list.Read(QString(), 1, QStringLiteral("acct"));
    EXPECT_EQ(Dump(list.Root()), QStringLiteral("Greetings{Hello#1 }"));
    EXPECT_EQ(reloads, 5);
}

TEST(QuickTextList, EditsRenumberAndBuildTheMenu)
{
    Loaded file{QString()};
    CQuickTextList &list = file.list;
    int changes = 0;
    QObject::connect(&list, &CQuickTextList::Changed, [&] { ++changes; });
    auto *category = new CQuickTextCategory(QStringLiteral("C"));
    list.Root()->AddCategory(category);
    list.Root()->AddItem(new CQuickTextItem(0, QString(), QStringLiteral("Z&Z"), QStringLiteral("z")));
    category->AddItem(new CQuickTextItem(0, QString(), QStringLiteral("B"), QStringLiteral("b"), 0x0341));
    auto *a = new CQuickTextItem(0, QString(), QStringLiteral("A"), QStringLiteral("a"));
    category->AddItem(a);
    category->AddItem(new CQuickTextItem(0, QString(), QStringLiteral("A"), QStringLiteral("second")));
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(Dump(list.Root()), QStringLiteral("C{A#1 A#2 B#3 }Z&Z#4 "));

    using QVPlugin::MenuSpec;
    const MenuSpec expected = MenuSpec::Menu({MenuSpec::Popup(
        QStringLiteral("&Quick Text"),
        {MenuSpec::Popup(QStringLiteral("C"), {MenuSpec::Command(10301, QStringLiteral("A")),
                                               MenuSpec::Command(10303, QStringLiteral("B\tCtrl + Shift + A"))}),
         MenuSpec::Command(10304, QStringLiteral("Z&&Z"))})});
    EXPECT_EQ(QuickTextMenu::Build(list), expected);
    list.SetShowDuplicates(true);
    EXPECT_EQ(QuickTextMenu::Build(list).children[0].children[0].children.size(), 3u);

    // Renaming moves the item and renumbers.
    a->SetTitle(QStringLiteral("D"));
    EXPECT_EQ(Dump(list.Root()), QStringLiteral("C{A#1 B#2 D#3 }Z&Z#4 "));
    const QVPlugin::AcceleratorTable keys = QuickTextMenu::Accelerators(list);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].id, 10302u);
    EXPECT_EQ(keys[0].key, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
}

TEST(QuickTextList, ItemsBeyondTheCommandRangeGetNoCommand)
{
    Loaded file{QString()};
    for (int i = 0; i < 301; ++i)
        file.list.Root()->AddItem(new CQuickTextItem(0, QString(), QStringLiteral("T%1").arg(i, 3, 10, QLatin1Char('0'))));
    EXPECT_EQ(CQuickTextList::CommandOf(file.list.FindItem(300)), 10600u);
    EXPECT_EQ(CQuickTextList::CommandOf(file.list.FindItem(301)), 0u);
    EXPECT_EQ(QuickTextMenu::Build(file.list).children[0].children.size(), 300u);
}

TEST(QuickTextKeys, StoredValuesRoundTripThroughQtKeys)
{
    std::vector<unsigned> keys = {0x08, 0x0D, 0x20, 0x21 | 0x800, 0x2E | 0x800, 0x6F | 0x800, 0xBA, 0xDE, 0x0D | 0x800};
    for (unsigned vk = 'A'; vk <= 'Z'; ++vk)
        keys.push_back(vk);
    for (unsigned vk = 0x30; vk <= 0x39; ++vk)
        keys.push_back(vk);
    for (unsigned vk = 0x60; vk <= 0x6B; ++vk)
        keys.push_back(vk);
    for (unsigned vk = 0x70; vk <= 0x87; ++vk)
        keys.push_back(vk);
    for (unsigned key : keys) {
        for (unsigned modifiers : {0u, 1u, 2u, 4u, 7u}) {
            const unsigned stored = key | (modifiers << 8);
            EXPECT_EQ(QuickTextKeys::FromKey(QuickTextKeys::ToKey(stored)), stored) << std::hex << stored;
        }
    }
    EXPECT_EQ(QuickTextKeys::ToKey(0x0341), QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_A));
    EXPECT_EQ(QuickTextKeys::Text(0x0341), QStringLiteral("Ctrl + Shift + A"));
    // What a US keyboard reports for Shift+1 is stored as the key itself.
    EXPECT_EQ(QuickTextKeys::FromKey(QKeyCombination(Qt::SHIFT, Qt::Key_Exclam)), 0x0131u);
    // Keys without a mapping have no shortcut; a Qt code is never stored.
    EXPECT_EQ(QuickTextKeys::FromKey(QKeyCombination(Qt::CTRL, Qt::Key_VolumeUp)), 0u);
    EXPECT_EQ(QuickTextKeys::ToKey(0x02FF).key(), Qt::Key_unknown);
    EXPECT_EQ(QuickTextKeys::Text(0x02FF), QString());
}

namespace {

struct RecordingBus
{
    RecordingBus()
    {
        host.onSend = [this](const QUuid &id, IMessage *in, IMessage *out) {
            if (id == MSG_GET_SETTING) {
                const auto *value = static_cast<MsgValue *>(in);
                if (value->name == QLatin1String("agent.account.id")) {
                    static_cast<QVMessage<QVariant> *>(out)->value = account;
                    return RESULT_DONE;
                }
                return RESULT_NOT_HANDLED;
            }
            if (id == MSG_DATA_FETCH || id == MSG_DATA_STORE)
                sent.push_back({id, *static_cast<DataInfo *>(in)});
            return RESULT_HANDLED_CONTINUE;
        };
    }
    int Presence(PresenceState state)
    {
        QVMessage<PresenceState> message(state);
        return store.OnMessage(MSG_PRESENCE_STATE, &message, nullptr);
    }
    int Receive(int type, const QString &xml, const QString &account = QStringLiteral("acct"))
    {
        DataInfo info;
        info.type = type;
        info.account = account;
        info.name = QStringLiteral("quicktext.xml");
        info.data = xml.toStdString();
        return store.OnMessage(MSG_DATA_RECEIVED, &info, nullptr);
    }

    QString account = QStringLiteral("acct"); // the account setting
    xmpptest::FakeHost host;
    CQuickTextList list;
    CQuickTextStore store{&host, &list};
    std::vector<std::pair<QUuid, DataInfo>> sent;
};

} // namespace

TEST(QuickTextStore, FetchesOnSignInAndStoresBothFilesOnEveryChange)
{
    RecordingBus bus;
    bus.Presence(PresenceConnecting);
    bus.Presence(PresenceOnline);
    bus.Presence(PresenceAway);
    bus.Presence(PresenceOnline);
    ASSERT_EQ(bus.sent.size(), 2u);
    EXPECT_EQ(bus.sent[0].first, MSG_DATA_FETCH);
    EXPECT_EQ(bus.sent[0].second.type, DataInfo::Server);
    EXPECT_EQ(bus.sent[1].second.type, DataInfo::Shared);
    EXPECT_EQ(bus.sent[1].second.account, QStringLiteral("acct"));
    EXPECT_EQ(bus.sent[1].second.name, QStringLiteral("quicktext.xml"));

    EXPECT_EQ(bus.Receive(DataInfo::Server, kOneItem), RESULT_HANDLED_CONTINUE);
    EXPECT_EQ(bus.Receive(DataInfo::Server, kOneItem), RESULT_HANDLED_CONTINUE);
    bus.sent.clear();
    bus.list.Root()->AddItem(new CQuickTextItem(0, QString(), QStringLiteral("New"), QStringLiteral("n")));
    ASSERT_EQ(bus.sent.size(), 2u);
    EXPECT_EQ(bus.sent[0].first, MSG_DATA_STORE);
    EXPECT_EQ(bus.sent[0].second.type, DataInfo::Server);
    EXPECT_EQ(bus.sent[1].second.type, DataInfo::Shared);
    EXPECT_EQ(QString::fromStdString(bus.sent[0].second.data),
              kOneItem + QStringLiteral("<QUICKTEXT><TITLE><![CDATA[New]]></TITLE><TEXT><![CDATA[n]]></TEXT>"
                                        "<SHORTCUT>0</SHORTCUT></QUICKTEXT>\n"));
    EXPECT_EQ(bus.sent[1].second.data, std::string());

    // Signing in again after a drop fetches again.
    bus.sent.clear();
    bus.Presence(PresenceOffline);
    bus.Presence(PresenceOnline);
    EXPECT_EQ(bus.sent.size(), 2u);
}

TEST(QuickTextStore, FollowsTheDuplicatesSetting)
{
    RecordingBus bus;
    int reloads = 0;
    QObject::connect(&bus.list, &CQuickTextList::Reloaded, [&] { ++reloads; });
    MsgValue on(QStringLiteral("quicktext.duplicates"), true);
    EXPECT_EQ(bus.store.OnMessage(MSG_SET_SETTING, &on, nullptr), RESULT_NOT_HANDLED);
    EXPECT_TRUE(bus.list.ShowDuplicates());
    EXPECT_EQ(reloads, 1);
    DataInfo other;
    other.name = QStringLiteral("other.xml");
    EXPECT_EQ(bus.store.OnMessage(MSG_DATA_RECEIVED, &other, nullptr), RESULT_NOT_HANDLED);
    EXPECT_TRUE(bus.list.DefaultsLoaded());
}

TEST(QuickTextStore, SigningInAgainNeitherDoublesTheTextsNorStoresBeforeTheOwnFile)
{
    RecordingBus bus;
    const QString shared = QStringLiteral("<QUICKTEXT><TITLE>S</TITLE></QUICKTEXT>");
    const auto session = [&](const QString &account) {
        bus.Presence(PresenceOffline);
        bus.Presence(PresenceOnline);
        bus.sent.clear();
        // An edit before the agent's own file has come stores nothing.
        bus.list.Root()->AddItem(new CQuickTextItem(1, QString(), QStringLiteral("Early")));
        EXPECT_TRUE(bus.sent.empty());
        bus.Receive(DataInfo::Server, kOneItem, account);
        bus.Receive(DataInfo::Shared, shared, account);
    };
    session(QStringLiteral("acct"));
    // The account key is cleared at sign-out and comes after the fetch.
    session(QString());
    EXPECT_EQ(Dump(bus.list.Root()), QStringLiteral("Greetings{Hello#1 }S#2 "));
    bus.list.Root()->AddItem(new CQuickTextItem(0, QString(), QStringLiteral("New"), QStringLiteral("n")));
    ASSERT_EQ(bus.sent.size(), 2u);
    EXPECT_EQ(QString::fromStdString(bus.sent[0].second.data).count(QStringLiteral("Hello")), 1);
}

TEST(QuickTextStore, AFileNotReadWholeIsNeverWrittenOver)
{
    RecordingBus bus;
    int told = 0;
    QObject::connect(&bus.store, &CQuickTextStore::readIncomplete, [&] { ++told; });
    bus.Presence(PresenceOnline);
    const QString item = QStringLiteral("<QUICKTEXT><TITLE>A</TITLE><TEXT>a</TEXT></QUICKTEXT>");
    const QString deep = QStringLiteral("<QUICKTEXTCATEGORY><TITLE>x</TITLE>").repeated(65) + item
        + QStringLiteral("</QUICKTEXTCATEGORY>").repeated(65) + QStringLiteral("<QUICKTEXT><TITLE>After</TITLE></QUICKTEXT>");
    bus.Receive(DataInfo::Server, deep);
    bus.Receive(DataInfo::Server, deep);
    EXPECT_EQ(told, 1);
    bus.sent.clear();
    bus.list.Root()->AddItem(new CQuickTextItem(0, QString(), QStringLiteral("New")));
    // Only the shared file, which was not refused, goes to the server.
    ASSERT_EQ(bus.sent.size(), 1u);
    EXPECT_EQ(bus.sent[0].second.type, DataInfo::Shared);
    // A later copy read whole may be written again.
    bus.Receive(DataInfo::Server, item);
    bus.sent.clear();
    bus.list.Root()->AddItem(new CQuickTextItem(0, QString(), QStringLiteral("Newer")));
    EXPECT_EQ(bus.sent.size(), 2u);
}

TEST(QuickTextStore, AChangedNoticeFetchesTheFileAgainAndWipesNothing)
{
    RecordingBus bus;
    bus.Presence(PresenceOnline);
    bus.Receive(DataInfo::Server, kOneItem);
    const auto notice = xmltest::ParseXml(
        "<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' type='server' key='quicktext.xml' "
        "account='acct'/>"
        "<changed xmlns='quelvar:data'/></iq>");
    ASSERT_TRUE(notice);
    Quelvar::DataReading reading = Quelvar::ReadDataMessage(*notice);
    ASSERT_EQ(reading.kind, Quelvar::DataReading::Changed);
    bus.sent.clear();
    EXPECT_EQ(bus.store.OnMessage(MSG_DATA_RECEIVED, &reading.info, nullptr), RESULT_HANDLED_CONTINUE);
    ASSERT_EQ(bus.sent.size(), 1u);
    EXPECT_EQ(bus.sent[0].first, MSG_DATA_FETCH);
    EXPECT_EQ(bus.sent[0].second.type, DataInfo::Server);
    EXPECT_EQ(Dump(bus.list.Root()), QStringLiteral("Greetings{Hello#1 }"));
    // The next edit stores the items the agent has, not an empty file.
    bus.sent.clear();
    bus.list.Root()->AddCategory(new CQuickTextCategory(QStringLiteral("New")));
    ASSERT_EQ(bus.sent.size(), 2u);
    EXPECT_NE(bus.sent[0].second.data.find("Hello"), std::string::npos);
}

TEST(QuickTextStore, FetchesAgainOnceTheAccountIsKnown)
{
    // A first run: the account data comes after the sign-in's fetch.
    RecordingBus bus;
    bus.account.clear();
    bus.Presence(PresenceOnline);
    ASSERT_EQ(bus.sent.size(), 2u);
    bus.sent.clear();
    bus.account = QStringLiteral("acct");
    bus.store.OnAccountData();
    bus.store.OnAccountData();
    ASSERT_EQ(bus.sent.size(), 2u);
    for (const auto &[id, info] : bus.sent)
        EXPECT_EQ(info.account, QStringLiteral("acct"));
}

TEST(QuickTextStore, TheAgentMayEmptyTheList)
{
    RecordingBus bus;
    bus.Presence(PresenceOnline);
    bus.Receive(DataInfo::Server, kOneItem);
    bus.sent.clear();
    CQuickTextCategory *greetings = bus.list.Root()->Categories().front();
    bus.list.Root()->RemoveCategory(greetings);
    delete greetings;
    ASSERT_EQ(bus.sent.size(), 2u);
    EXPECT_EQ(bus.sent[0].second.type, DataInfo::Server);
    EXPECT_EQ(bus.sent[0].second.data, std::string());
}
