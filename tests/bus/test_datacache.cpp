#include "FakePlugin.h"
#include "tests/TestPayloads.h"
#include "tests/TestUtil.h"

#include "bus/DataCache.h"
#include "shared/Md5.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "bus/RegSettingsStoragePlugin.h"
#include "shared/Prompt.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <thread>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

namespace {

using namespace bustest;

const std::string kMd5Abc = "900150983cd24fb0d6963f7d28e17f72";

// The chat plug-in (sender of fetches and stores) and the XMPP plug-in
// after it, each writing down every data message it hears.
struct Cache : Bus
{
    void SetUp() override
    {
        ASSERT_TRUE(QStandardPaths::isTestModeEnabled() && root.isValid());
        auto owned = std::make_unique<CDataCache>(manager.get(), base);
        cache = owned.get();
        manager->SetPreDispatchHandler(std::move(owned));
        chat = Listen(QStringLiteral("chat"), PLUGIN_ORDER_LIVE_CHAT);
        xmpp = Listen(QStringLiteral("xmpp"), PLUGIN_ORDER_XMPP);
        CPrompt::SetHandler([this](const PromptRequest &request) {
            told << request.text;
            return QMessageBox::Ok;
        });
    }
    void TearDown() override
    {
        QCoreApplication::processEvents(); // the notices queued in this test
        CPrompt::SetHandler({});
    }

    FakePlugin *Listen(const QString &name, int key)
    {
        FakePlugin *plugin = add(name, key);
        plugin->onMessage = [this, name](const QUuid &id, IMessage *in, IMessage *) {
            const std::pair<QUuid, const char *> names[] = {{MSG_DATA_FETCH, ":fetch"}, {MSG_DATA_STORE, ":store"},
                {MSG_DATA_RECEIVED, ":received"}, {MSG_DATA_CURRENT, ":current"}, {MSG_DATA_DELETE_LOCAL, ":delete"}};
            for (const auto &[known, text] : names)
                if (id == known)
                    trace << name + QLatin1String(text);
            heard.push_back(*static_cast<DataInfo *>(in));
            return RESULT_HANDLED_CONTINUE;
        };
        return plugin;
    }

    int Send(FakePlugin *from, const QUuid &id, DataInfo info) { return from->host_->SendMessage(id, &info, nullptr); }
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

    QTemporaryDir root;
    QString base = root.filePath(QStringLiteral("data"));
    CDataCache *cache = nullptr;
    FakePlugin *chat = nullptr;
    FakePlugin *xmpp = nullptr;
    QStringList trace;           // "plugin:message", in order
    std::vector<DataInfo> heard; // the payloads, in the same order
    QStringList told;            // the prompts shown
};

TEST_F(Cache, PathByType)
{
    const std::pair<int, const char *> cases[] = {{0, "Local/"}, {1, "Server/"}, {2, "Shared/"}, {3, "Download/"},
                                                  {7, ""},       {-1, ""}};
    for (const auto &[type, folder] : cases)
        EXPECT_EQ(cache->FilePath(MakeDataInfo(type, "acc1", "q.xml")), PathOf(folder + QStringLiteral("acc1/q.xml")))
            << type;
    EXPECT_EQ(CDataCache::DefaultBaseFolder(), QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                                                   + QStringLiteral("/Quelvar/Ostrel/" OSTREL_TEST_MAJOR_MINOR));
}

TEST_F(Cache, Fetch)
{
    const struct { int type; bool copy; int result; QStringList trace; } cases[] = {
        {0, false, -1, {}},
        {0, true, 1, {"chat:received", "xmpp:received"}},
        {1, true, 1, {"chat:received", "xmpp:received", "xmpp:fetch"}},
        {2, false, -1, {"xmpp:fetch"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << (c.copy ? " with copy" : " without copy"));
        trace.clear();
        heard.clear();
        QDir(base).removeRecursively();
        if (c.copy)
            PutFile(QStringLiteral("%1/acc/q.xml").arg(c.type ? "Server" : "Local"), "abc");
        EXPECT_EQ(Send(chat, MSG_DATA_FETCH, MakeDataInfo(c.type, "acc", "q.xml", "stale", "senders-hash")), c.result);
        ASSERT_EQ(trace, c.trace);
        for (size_t i = 0; i < heard.size(); ++i) {
            const bool request = trace[i].endsWith(QLatin1String(":fetch"));
            // The copy reaches everyone, the sender too; the request to the
            // server carries no data and the hash of the copy we hold.
            EXPECT_EQ(heard[i].data, request ? "" : "abc");
            EXPECT_EQ(heard[i].hash, c.copy ? kMd5Abc : "senders-hash");
            EXPECT_EQ(heard[i].type, c.type);
        }
    }
}

TEST_F(Cache, Store)
{
    const struct { int type; std::string hash; int result; QStringList trace; std::string sentHash; QString file; }
        cases[] = {
        {2, "stale", 1, {"xmpp:store"}, kMd5Abc, "Shared/acc/q.xml"},
        {1, "", 2, {"xmpp:store"}, "", "Server/acc/q.xml"},
        {0, "", 1, {}, "", "Local/acc/q.xml"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " hash '" << c.hash << "'");
        trace.clear();
        heard.clear();
        EXPECT_EQ(Send(chat, MSG_DATA_STORE, MakeDataInfo(c.type, "acc", "q.xml", "abc", c.hash)), c.result);
        EXPECT_EQ(FileBytes(c.file), "abc");
        ASSERT_EQ(trace, c.trace);
        for (const DataInfo &info : heard)
            EXPECT_EQ(info.hash, c.sentHash);
    }
}

TEST_F(Cache, ReceivedCurrentAndDeleteByType)
{
    // Local copies stop at the cache with its result; others go on with 2.
    EXPECT_EQ(Send(xmpp, MSG_DATA_RECEIVED, MakeDataInfo(0, "acc", "a", "x")), 1);
    EXPECT_EQ(Send(xmpp, MSG_DATA_RECEIVED, MakeDataInfo(3, "acc", "b", "y")), 2);
    EXPECT_EQ(FileBytes("Local/acc/a"), "x");
    EXPECT_EQ(FileBytes("Download/acc/b"), "y");
    EXPECT_EQ(Send(xmpp, MSG_DATA_CURRENT, MakeDataInfo(1, "acc", "b")), 2);
    EXPECT_EQ(Send(xmpp, MSG_DATA_DELETE_LOCAL, MakeDataInfo(0, "acc", "a")), 1);
    EXPECT_EQ(Send(xmpp, MSG_DATA_DELETE_LOCAL, MakeDataInfo(0, "acc", "a")), -1);
    EXPECT_EQ(Send(xmpp, MSG_DATA_DELETE_LOCAL, MakeDataInfo(3, "acc", "b")), 2);
    EXPECT_FALSE(QFile::exists(PathOf("Local/acc/a")) || QFile::exists(PathOf("Download/acc/b")));

    // The server's "changed" notice (no data, no hash) keeps the saved copy;
    // a real empty file comes with its hash and replaces it.
    PutFile("Server/acc/q", "saved list");
    EXPECT_EQ(Send(xmpp, MSG_DATA_RECEIVED, MakeDataInfo(1, "acc", "q")), 2);
    EXPECT_EQ(FileBytes("Server/acc/q"), "saved list");
    EXPECT_EQ(Send(xmpp, MSG_DATA_RECEIVED, MakeDataInfo(1, "acc", "q", "", Md5Hex({}))), 2);
    EXPECT_EQ(FileBytes("Server/acc/q"), "");
    EXPECT_EQ(trace, QStringList({"chat:received", "chat:current", "chat:delete", "chat:received", "chat:received"}));
}

TEST_F(Cache, ReceivedFromAWorkerIsOnDiskBeforeAnyPluginSeesIt)
{
    QByteArray onDiskWhenHeard;
    chat->onMessage = [&](const QUuid &id, IMessage *, IMessage *) {
        if (id == MSG_DATA_RECEIVED)
            onDiskWhenHeard = FileBytes("Server/acc/quicktext.xml");
        return RESULT_HANDLED_CONTINUE;
    };
    PutFile("Server/acc/quicktext.xml", "old");
    int posted = 0;
    std::thread([&] { posted = Send(xmpp, MSG_DATA_RECEIVED, MakeDataInfo(1, "acc", "quicktext.xml", "new list")); })
        .join();
    EXPECT_EQ(posted, RESULT_POSTED);
    ASSERT_TRUE(waitUntil([&] { return !onDiskWhenHeard.isEmpty(); }));
    EXPECT_EQ(onDiskWhenHeard, "new list");
}

TEST_F(Cache, DataIsBytes)
{
    const std::pair<std::string, std::string> cases[] = {
        {std::string(), "d41d8cd98f00b204e9800998ecf8427e"},
        {std::string("a\0b\xff\xfe\x80z", 7), Md5Hex(std::string("a\0b\xff\xfe\x80z", 7))},
    };
    for (const auto &[data, hash] : cases) {
        heard.clear();
        EXPECT_EQ(Send(chat, MSG_DATA_STORE, MakeDataInfo(0, "acc", "bin", data)), 1);
        EXPECT_EQ(Send(chat, MSG_DATA_FETCH, MakeDataInfo(0, "acc", "bin")), 1);
        ASSERT_EQ(heard.size(), 2u);
        EXPECT_EQ(heard[0].data, data);
        EXPECT_EQ(heard[0].hash, hash);
    }
}

TEST_F(Cache, HostileNamesWriteNothingAnywhere)
{
    const QString victim = root.filePath(QStringLiteral("victim"));
    QFile file(victim);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("keep");
    file.close();
    const std::pair<QString, QString> cases[] = {
        {"acc", "../x"}, {"acc", "a/b"}, {"acc", ".."}, {"acc", "."}, {"acc", ""}, {"acc", "a\\b"},
        {"acc", QString::fromLatin1("a\0b", 3)}, {"acc", "../../../victim"}, {"..", "x"}, {"../..", "victim"},
        {"a/b", "x"}, {".", "x"},
    };
    for (const auto &[account, name] : cases) {
        SCOPED_TRACE((account + QLatin1Char('|') + name).toStdString());
        EXPECT_EQ(Send(chat, MSG_DATA_STORE, MakeDataInfo(0, account, name, "bad")), -2);
        EXPECT_EQ(Send(xmpp, MSG_DATA_RECEIVED, MakeDataInfo(0, account, name, "bad")), -2);
        EXPECT_EQ(Send(xmpp, MSG_DATA_RECEIVED, MakeDataInfo(1, account, name, "bad")), 2);
        EXPECT_EQ(Send(chat, MSG_DATA_FETCH, MakeDataInfo(0, account, name)), -1);
        EXPECT_EQ(Send(chat, MSG_DATA_DELETE_LOCAL, MakeDataInfo(0, account, name)), -1);
    }
    QStringList files;
    QDirIterator it(root.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    EXPECT_EQ(files, QStringList({victim}));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "keep");
}

TEST_F(Cache, FailedSaveIsReported)
{
    // The base folder cannot be made: a file stands in its place.
    QFile blocker(base);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_EQ(Send(chat, MSG_DATA_STORE, MakeDataInfo(0, "acc", "q", "abc")), -2);
    EXPECT_EQ(Send(xmpp, MSG_DATA_RECEIVED, MakeDataInfo(0, "acc", "q", "abc")), -2);
    // With a hash the store still goes on to the server, and still fails here.
    EXPECT_EQ(Send(chat, MSG_DATA_STORE, MakeDataInfo(1, "acc", "q", "abc", "h")), -2);
}

TEST_F(Cache, AFullDiskIsToldOnceForSettingsAndForTheCache)
{
    const QString settingsFile = root.filePath(QStringLiteral("Quelvar.conf"));
    auto storage = std::make_unique<CRegSettingsStoragePlugin>(settingsFile);
    const auto set = [&](const QString &value) {
        MsgValue in(QStringLiteral("ui.skin"), value);
        storage->OnMessage(MSG_SET_SETTING, &in, nullptr);
    };
    set(QStringLiteral("Blue"));
    ASSERT_EQ(Send(chat, MSG_DATA_STORE, MakeDataInfo(0, "acc", "q", "abc")), 1);
    ASSERT_TRUE(told.isEmpty());
    const QByteArray before = [&] {
        QFile f(settingsFile);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();

    // Files may not grow past 64 bytes: every longer write fails, as on a full disk.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit full = saved;
    full.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &full), 0);
    set(QString(200, QLatin1Char('x')));
    set(QString(300, QLatin1Char('y')));
    const std::string big(500, 'q');
    EXPECT_EQ(Send(chat, MSG_DATA_STORE, MakeDataInfo(0, "acc", "q", big)), -2);
    EXPECT_EQ(Send(chat, MSG_DATA_STORE, MakeDataInfo(0, "acc", "q", big)), -2);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    QFile after(settingsFile);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before) << "the old file stays whole";
    EXPECT_EQ(FileBytes(QStringLiteral("Local/acc/q")), "abc") << "so does the old copy";

    // Told after the messages were handled, not inside their dispatch.
    EXPECT_TRUE(told.isEmpty()) << told.join('\n').toStdString();
    QCoreApplication::processEvents();
    ASSERT_EQ(told.size(), 2) << told.join('\n').toStdString();
    EXPECT_TRUE(told[0].startsWith("Settings cannot be saved: ")) << told[0].toStdString();
    EXPECT_TRUE(told[1].startsWith("The cache cannot be saved: ")) << told[1].toStdString();
    // With the system's reason for it.
    EXPECT_TRUE(told[1].contains(QString::fromLocal8Bit(std::strerror(EFBIG)))) << told[1].toStdString();
}

} // namespace
