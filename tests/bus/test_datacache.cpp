#include "FakePlugin.h"
#include "tests/TestUtil.h"

#include "bus/DataCache.h"
#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace QVPlugin;
using bustest::FakePlugin;

// The default cache of every manager made here points into Qt's test
// folders, never into the user's data.
const bool kTestPaths = (QStandardPaths::setTestModeEnabled(true), true);

const std::string kMd5Empty = "d41d8cd98f00b204e9800998ecf8427e";
const std::string kMd5Abc = "900150983cd24fb0d6963f7d28e17f72";

struct Heard
{
    QString plugin;
    QUuid id;
    DataInfo info;
};

DataInfo Info(int type, const QString &account, const QString &name, std::string data = {}, std::string hash = {})
{
    DataInfo info;
    info.type = type;
    info.account = account;
    info.name = name;
    info.data = std::move(data);
    info.hash = std::move(hash);
    return info;
}

QString IdName(const QUuid &id)
{
    if (id == MSG_DATA_FETCH)
        return QStringLiteral("fetch");
    if (id == MSG_DATA_STORE)
        return QStringLiteral("store");
    if (id == MSG_DATA_RECEIVED)
        return QStringLiteral("received");
    if (id == MSG_DATA_CURRENT)
        return QStringLiteral("current");
    if (id == MSG_DATA_DELETE_LOCAL)
        return QStringLiteral("delete");
    return id.toString();
}

// The chat plug-in (sender of fetches and stores) and the XMPP plug-in
// after it, each writing down every data message it hears.
class Cache : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(kTestPaths);
        ASSERT_TRUE(m_root.isValid());
        base = m_root.filePath(QStringLiteral("data"));
        manager = std::make_unique<CManager>(m_root.path());
        auto owned = std::make_unique<CDataCache>(manager.get(), base);
        cache = owned.get();
        manager->SetPreDispatchHandler(std::move(owned));
        chat = Listen(QStringLiteral("chat"), PLUGIN_ORDER_LIVE_CHAT);
        xmpp = Listen(QStringLiteral("xmpp"), PLUGIN_ORDER_XMPP);
    }

    FakePlugin *Listen(const QString &name, int key)
    {
        auto *plugin = new FakePlugin(name);
        plugin->onMessage = [this, name](const QUuid &id, IMessage *in, IMessage *) {
            heard.push_back({name, id, *static_cast<DataInfo *>(in)});
            return RESULT_HANDLED_CONTINUE;
        };
        EXPECT_TRUE(manager->AddPlugin(plugin, key));
        return plugin;
    }

    int Send(FakePlugin *from, const QUuid &id, DataInfo info) { return from->host_->SendMessage(id, &info, nullptr); }

    // "plugin:message" for everything heard, in order.
    QStringList Trace() const
    {
        QStringList out;
        for (const Heard &h : heard)
            out << h.plugin + QLatin1Char(':') + IdName(h.id);
        return out;
    }

    QString PathOf(const QString &relative) const { return base + QLatin1Char('/') + relative; }

    void PutFile(const QString &relative, const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(PathOf(relative)).absolutePath());
        QFile file(PathOf(relative));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray FileBytes(const QString &relative) const
    {
        QFile file(PathOf(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir m_root;
    QString base;
    std::unique_ptr<CManager> manager;
    CDataCache *cache = nullptr;
    FakePlugin *chat = nullptr;
    FakePlugin *xmpp = nullptr;
    std::vector<Heard> heard;
};

TEST_F(Cache, PathByType)
{
    const struct
    {
        int type;
        const char *relative;
    } cases[] = {
        {0, "Local/acc1/quicktext.xml"},  {1, "Server/acc1/quicktext.xml"}, {2, "Shared/acc1/quicktext.xml"},
        {3, "Download/acc1/quicktext.xml"}, {7, "acc1/quicktext.xml"},      {-1, "acc1/quicktext.xml"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(cache->FilePath(Info(c.type, QStringLiteral("acc1"), QStringLiteral("quicktext.xml"))),
                  PathOf(QLatin1String(c.relative)))
            << c.type;
}

TEST_F(Cache, DefaultFolderComesFromTheProgramsVersionRecord)
{
    EXPECT_EQ(CDataCache::DefaultBaseFolder(),
              QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                  + QStringLiteral("/Quelvar/Ostrel/") + QStringLiteral(OSTREL_TEST_MAJOR_MINOR));
}

TEST_F(Cache, FetchOfALocalFileIsAnsweredHereOnly)
{
    EXPECT_EQ(Send(chat, MSG_DATA_FETCH, Info(0, QStringLiteral("acc"), QStringLiteral("notes.xml"))), -1);
    EXPECT_TRUE(heard.empty());

    PutFile(QStringLiteral("Local/acc/notes.xml"), "abc");
    EXPECT_EQ(Send(chat, MSG_DATA_FETCH, Info(0, QStringLiteral("acc"), QStringLiteral("notes.xml"))), 1);
    // As the host itself: the sender hears its copy too; no request leaves.
    EXPECT_EQ(Trace(), QStringList({"chat:received", "xmpp:received"}));
    for (const Heard &h : heard) {
        EXPECT_EQ(h.info.data, "abc");
        EXPECT_EQ(h.info.hash, kMd5Abc);
    }
}

TEST_F(Cache, FetchOfAServerFileAnswersFromTheCopyThenAsksWithItsHash)
{
    PutFile(QStringLiteral("Server/acc/quicktext.xml"), "abc");
    EXPECT_EQ(Send(chat, MSG_DATA_FETCH,
                   Info(1, QStringLiteral("acc"), QStringLiteral("quicktext.xml"), "ignored", "senders-hash")),
              1);
    ASSERT_EQ(Trace(), QStringList({"chat:received", "xmpp:received", "xmpp:fetch"}));
    EXPECT_EQ(heard[0].info.data, "abc");
    EXPECT_EQ(heard[0].info.hash, kMd5Abc);
    EXPECT_EQ(heard[2].info.data, "");
    EXPECT_EQ(heard[2].info.hash, kMd5Abc);
    EXPECT_EQ(heard[2].info.type, 1);
    EXPECT_EQ(heard[2].info.name, QStringLiteral("quicktext.xml"));
}

TEST_F(Cache, FetchOfAServerFileWithoutCopyStillAsks)
{
    EXPECT_EQ(Send(chat, MSG_DATA_FETCH,
                   Info(2, QStringLiteral("acc"), QStringLiteral("quicktext.xml"), "ignored", "senders-hash")),
              -1);
    ASSERT_EQ(Trace(), QStringList({"xmpp:fetch"}));
    EXPECT_EQ(heard[0].info.data, "");
    EXPECT_EQ(heard[0].info.hash, "senders-hash");
}

TEST_F(Cache, StoreWithHashPassesACopyWithTheDataHash)
{
    EXPECT_EQ(Send(chat, MSG_DATA_STORE, Info(2, QStringLiteral("acc"), QStringLiteral("q.xml"), "abc", "stale")), 1);
    EXPECT_EQ(FileBytes(QStringLiteral("Shared/acc/q.xml")), "abc");
    ASSERT_EQ(Trace(), QStringList({"xmpp:store"}));
    EXPECT_EQ(heard[0].info.data, "abc");
    EXPECT_EQ(heard[0].info.hash, kMd5Abc);
}

TEST_F(Cache, StoreWithoutHash)
{
    // A server-kept file goes on to the plug-ins unchanged.
    EXPECT_EQ(Send(chat, MSG_DATA_STORE, Info(1, QStringLiteral("acc"), QStringLiteral("q.xml"), "server")), 2);
    EXPECT_EQ(FileBytes(QStringLiteral("Server/acc/q.xml")), "server");
    ASSERT_EQ(Trace(), QStringList({"xmpp:store"}));
    EXPECT_EQ(heard[0].info.hash, "");

    // A local one stops here with the save's result.
    heard.clear();
    EXPECT_EQ(Send(chat, MSG_DATA_STORE, Info(0, QStringLiteral("acc"), QStringLiteral("q.xml"), "local")), 1);
    EXPECT_EQ(FileBytes(QStringLiteral("Local/acc/q.xml")), "local");
    EXPECT_TRUE(heard.empty());
}

TEST_F(Cache, ReceivedFromAWorkerIsOnDiskBeforeAnyPluginSeesIt)
{
    QByteArray onDiskWhenHeard;
    chat->onMessage = [&](const QUuid &id, IMessage *, IMessage *) {
        if (id == MSG_DATA_RECEIVED)
            onDiskWhenHeard = FileBytes(QStringLiteral("Server/acc/quicktext.xml"));
        return RESULT_HANDLED_CONTINUE;
    };
    PutFile(QStringLiteral("Server/acc/quicktext.xml"), "old");

    std::atomic<int> posted{0};
    std::thread network([&] {
        DataInfo info = Info(1, QStringLiteral("acc"), QStringLiteral("quicktext.xml"), "new list");
        posted = xmpp->host_->SendMessage(MSG_DATA_RECEIVED, &info, nullptr);
    });
    network.join();
    EXPECT_EQ(posted, RESULT_POSTED);
    ASSERT_TRUE(waitUntil([&] { return !onDiskWhenHeard.isEmpty(); }));
    EXPECT_EQ(onDiskWhenHeard, "new list");
}

TEST_F(Cache, ReceivedCurrentAndDeleteByType)
{
    // Local copies stop at the cache with its result; others go on with 2.
    EXPECT_EQ(Send(xmpp, MSG_DATA_RECEIVED, Info(0, QStringLiteral("acc"), QStringLiteral("a"), "x")), 1);
    EXPECT_EQ(Send(xmpp, MSG_DATA_RECEIVED, Info(3, QStringLiteral("acc"), QStringLiteral("b"), "y")), 2);
    EXPECT_EQ(FileBytes(QStringLiteral("Local/acc/a")), "x");
    EXPECT_EQ(FileBytes(QStringLiteral("Download/acc/b")), "y");
    EXPECT_EQ(Send(xmpp, MSG_DATA_CURRENT, Info(1, QStringLiteral("acc"), QStringLiteral("b"))), 2);
    EXPECT_EQ(Send(xmpp, MSG_DATA_DELETE_LOCAL, Info(0, QStringLiteral("acc"), QStringLiteral("a"))), 1);
    EXPECT_EQ(Send(xmpp, MSG_DATA_DELETE_LOCAL, Info(0, QStringLiteral("acc"), QStringLiteral("a"))), -1);
    EXPECT_EQ(Send(xmpp, MSG_DATA_DELETE_LOCAL, Info(3, QStringLiteral("acc"), QStringLiteral("b"))), 2);
    EXPECT_FALSE(QFile::exists(PathOf(QStringLiteral("Local/acc/a"))));
    EXPECT_FALSE(QFile::exists(PathOf(QStringLiteral("Download/acc/b"))));
    EXPECT_EQ(Trace(), QStringList({"chat:received", "chat:current", "chat:delete"}));
}

TEST_F(Cache, DataIsBytes)
{
    const struct
    {
        const char *what;
        std::string data;
        std::string hash;
    } cases[] = {
        {"empty", std::string(), kMd5Empty},
        {"abc", "abc", kMd5Abc},
        {"nul and non-utf8", std::string("a\0b\xff\xfe\x80z", 7), ""},
    };
    for (const auto &c : cases) {
        heard.clear();
        EXPECT_EQ(Send(chat, MSG_DATA_STORE, Info(0, QStringLiteral("acc"), QStringLiteral("bin"), c.data)), 1)
            << c.what;
        EXPECT_EQ(Send(chat, MSG_DATA_FETCH, Info(0, QStringLiteral("acc"), QStringLiteral("bin"))), 1) << c.what;
        ASSERT_EQ(heard.size(), 2u) << c.what;
        EXPECT_EQ(heard[0].info.data, c.data) << c.what;
        EXPECT_EQ(heard[0].info.hash, c.hash.empty() ? CDataCache::Md5Hex(c.data) : c.hash) << c.what;
    }
}

TEST_F(Cache, HostileNamesWriteNothingAnywhere)
{
    const QString victim = m_root.filePath(QStringLiteral("victim"));
    {
        QFile file(victim);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep");
    }
    const struct
    {
        QString account;
        QString name;
    } cases[] = {
        {QStringLiteral("acc"), QStringLiteral("../x")},
        {QStringLiteral("acc"), QStringLiteral("a/b")},
        {QStringLiteral("acc"), QStringLiteral("..")},
        {QStringLiteral("acc"), QStringLiteral(".")},
        {QStringLiteral("acc"), QString()},
        {QStringLiteral("acc"), QStringLiteral("a\\b")},
        {QStringLiteral("acc"), QString::fromLatin1("a\0b", 3)},
        {QStringLiteral("acc"), QStringLiteral("../../../victim")},
        {QStringLiteral(".."), QStringLiteral("x")},
        {QStringLiteral("../.."), QStringLiteral("victim")},
        {QStringLiteral("a/b"), QStringLiteral("x")},
        {QStringLiteral("."), QStringLiteral("x")},
    };
    for (const auto &c : cases) {
        const std::string what = (c.account + QLatin1Char('|') + c.name).toStdString();
        EXPECT_EQ(Send(chat, MSG_DATA_STORE, Info(0, c.account, c.name, "bad")), -2) << what;
        EXPECT_EQ(Send(xmpp, MSG_DATA_RECEIVED, Info(0, c.account, c.name, "bad")), -2) << what;
        EXPECT_EQ(Send(xmpp, MSG_DATA_RECEIVED, Info(1, c.account, c.name, "bad")), 2) << what;
        EXPECT_EQ(Send(chat, MSG_DATA_FETCH, Info(0, c.account, c.name)), -1) << what;
        EXPECT_EQ(Send(chat, MSG_DATA_DELETE_LOCAL, Info(0, c.account, c.name)), -1) << what;
    }
    QStringList files;
    QDirIterator it(m_root.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    EXPECT_EQ(files, QStringList({victim}));
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "keep");
}

TEST_F(Cache, FailedSaveIsReported)
{
    // The base folder cannot be made: a file stands in its place.
    QFile blocker(base);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_EQ(Send(chat, MSG_DATA_STORE, Info(0, QStringLiteral("acc"), QStringLiteral("q"), "abc")), -2);
    EXPECT_EQ(Send(xmpp, MSG_DATA_RECEIVED, Info(0, QStringLiteral("acc"), QStringLiteral("q"), "abc")), -2);
}

TEST_F(Cache, WithoutBaseFolderNothingIsKept)
{
    manager->SetPreDispatchHandler(std::make_unique<CDataCache>(manager.get(), QString()));
    EXPECT_EQ(Send(chat, MSG_DATA_STORE, Info(0, QStringLiteral("acc"), QStringLiteral("q"), "abc")), -2);
    EXPECT_EQ(Send(chat, MSG_DATA_FETCH, Info(1, QStringLiteral("acc"), QStringLiteral("q"))), -1);
    EXPECT_EQ(Trace(), QStringList({"xmpp:fetch"}));
    EXPECT_TRUE(QDir(m_root.path()).isEmpty());
}

} // namespace
