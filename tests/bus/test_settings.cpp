#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "bus/RegSettingsStoragePlugin.h"
#include "shared/Prompt.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

#include <unistd.h>

namespace {

using namespace QVPlugin;

struct Settings : ::testing::Test
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("config/Quelvar/Quelvar.conf"));
    std::unique_ptr<CRegSettingsStoragePlugin> storage = std::make_unique<CRegSettingsStoragePlugin>(file);

    // A new plug-in on the same file, as at the next program start.
    void Restart() { storage = std::make_unique<CRegSettingsStoragePlugin>(file); }

    // Same value of the same type, through the plug-in's message handling.
    ::testing::AssertionResult Reads(const char *key, const QVariant &defaultValue, const QVariant &expected)
    {
        MsgValue in(QLatin1String(key), defaultValue);
        QVMessage<QVariant> out(defaultValue);
        const int result = storage->OnMessage(MSG_GET_SETTING, &in, &out);
        if (result == RESULT_DONE && out.value.typeId() == expected.typeId() && out.value == expected)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << key << ": result " << result << ", " << out.value.typeName() << " "
                                             << out.value.toString().toStdString();
    }
    void Set(const char *key, const QVariant &value)
    {
        MsgValue in(QLatin1String(key), value);
        EXPECT_EQ(storage->OnMessage(MSG_SET_SETTING, &in, nullptr), RESULT_DONE) << key;
    }
};

TEST_F(Settings, ByKindAcrossARestart)
{
    const QVariant unwritten;
    // In the same run a written value comes back as it was written.
    const struct { const char *key; QVariant written, defaultValue, afterRestart; } cases[] = {
        {"flag.absent", unwritten, true, 1},
        {"text.absent", unwritten, QStringLiteral("abc"), QStringLiteral("abc")},
        {"empty.absent", unwritten, QVariant(), QStringLiteral("")},
        {"real.absent", unwritten, 2.5, 2.5},
        {"number", -42, 0, -42},
        {"number.unsigned", 0xFFFFFFFFu, 0, -1},
        {"flag", true, false, 1},
        {"text", QStringLiteral("x, y"), QString(), QStringLiteral("x, y")},
        {"text.unicode", QStringLiteral("Grüße = 1;"), QVariant(), QStringLiteral("Grüße = 1;")},
        {"text.as.number", QStringLiteral("abc"), 5, 5},
        // Other kinds live only for the run.
        {"real", 2.5, 1.0, 1.0},
        {"big", QVariant::fromValue<qint64>(qint64(1) << 40), qint64(0), qint64(0)},
    };
    for (const auto &c : cases) {
        if (c.written.isValid())
            Set(c.key, c.written);
        EXPECT_TRUE(Reads(c.key, c.defaultValue, c.written.isValid() ? c.written : c.afterRestart));
    }
    Restart();
    for (const auto &c : cases)
        EXPECT_TRUE(Reads(c.key, c.defaultValue, c.afterRestart));
}

TEST_F(Settings, WordsWrittenByHandReadAsBooleansAndNumbers)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Values]\nui.minimizeToTray=true\na=FALSE\nb= True \nc=yes\n");
    f.close();
    Restart();
    EXPECT_TRUE(Reads("ui.minimizeToTray", false, 1));
    EXPECT_TRUE(Reads("a", true, 0));
    EXPECT_TRUE(Reads("b", 7, 1));
    EXPECT_TRUE(Reads("c", true, 1)) << "another word is no value: the default";
}

TEST_F(Settings, EmptyValueDeletes)
{
    Set("count", 9);
    Set("server.address", QStringLiteral("127.0.0.1:5222"));
    Set("count", QVariant());
    Set("server.address", QVariant::fromValue(nullptr));
    EXPECT_TRUE(Reads("count", 5, 5));
    Restart();
    EXPECT_TRUE(Reads("count", 5, 5));
    EXPECT_TRUE(QSettings(file, QSettings::IniFormat).allKeys().isEmpty());
}

TEST_F(Settings, CacheHidesOutsideChangesDuringTheRun)
{
    EXPECT_TRUE(Reads("ui.skin", QStringLiteral("Blue"), QStringLiteral("Blue")));
    QSettings(file, QSettings::IniFormat).setValue(QStringLiteral("Values/ui.skin"), QStringLiteral("Green"));
    // An absent key answers each reader's own default.
    EXPECT_TRUE(Reads("ui.skin", QStringLiteral("Red"), QStringLiteral("Red")));
    Restart();
    EXPECT_TRUE(Reads("ui.skin", QStringLiteral("Blue"), QStringLiteral("Green")));
}

TEST_F(Settings, FileIsOwnerOnlyEvenWhenAnotherWriterOpenedIt)
{
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    const QFile::Permissions checked = ownerOnly | QFile::Permissions(0x0077); // and every group or other bit
    Set("agent.password", QStringLiteral("secret"));
    EXPECT_EQ(QFile::permissions(file) & checked, ownerOnly);
    QFile::setPermissions(file, ownerOnly | QFile::ReadGroup | QFile::ReadOther);
    Restart();
    Set("agent.password", QStringLiteral("other"));
    EXPECT_EQ(QFile::permissions(file) & checked, ownerOnly);
}

// A settings file that cannot be read is never rewritten (it holds the
// agent's server, name and password); the run goes on with values in memory
// and the agent is told once.
TEST_F(Settings, AFileThatCannotBeReadIsNeverTouched)
{
    QStringList told;
    CPrompt::SetHandler([&](const PromptRequest &request) {
        told << request.text;
        return QMessageBox::Ok;
    });
    const struct
    {
        const char *name;
        bool folder;
        bool skipAsRoot;
    } cases[] = {{"a folder", true, false}, {"mode 000", false, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.skipAsRoot && ::geteuid() == 0)
            continue; // root reads any file
        QTemporaryDir folder;
        const QString path = folder.filePath("Quelvar.conf");
        const QByteArray saved = "[Values]\nserver.address=chat.example\n";
        if (c.folder) {
            ASSERT_TRUE(QDir().mkpath(path));
        } else {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(saved) == saved.size());
            f.close();
        }
        QFile::setPermissions(path, QFile::Permissions());
        told.clear();
        storage = std::make_unique<CRegSettingsStoragePlugin>(path);
        Set("ui.skin", QStringLiteral("Blue"));
        Set("ui.skin", QStringLiteral("Green"));
        EXPECT_TRUE(Reads("ui.skin", QString(), QStringLiteral("Green")));
        QCoreApplication::processEvents();
        EXPECT_EQ(told.size(), 1);
        storage.reset();
        // The User bits say what this process may do, whatever the mode.
        EXPECT_EQ(QFile::permissions(path) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                  QFile::Permissions());
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (!c.folder) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), saved);
        }
    }
    CPrompt::SetHandler({});
}

TEST_F(Settings, AFileOfGarbageIsKeptAsideAndStartedAfresh)
{
    const QByteArray garbage("\x00\x01\xff junk\nno equals here\n[Values]\nx=1\n", 40);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(garbage) == garbage.size());
    }
    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { logged << text; });
    Restart();
    Set("ui.skin", QStringLiteral("Blue"));
    storage.reset();
    qInstallMessageHandler(previous);
    EXPECT_EQ(logged.filter("kept as").size(), 1) << logged.join('\n').toStdString();
    EXPECT_TRUE(logged.filter("cannot write").isEmpty()) << logged.join('\n').toStdString();
    QFile bad(file + ".bad");
    ASSERT_TRUE(bad.open(QIODevice::ReadOnly));
    EXPECT_EQ(bad.readAll(), garbage);
    QSettings reread(file, QSettings::IniFormat);
    EXPECT_EQ(reread.status(), QSettings::NoError);
    EXPECT_EQ(reread.allKeys(), QStringList({"Values/ui.skin"}));
}

} // namespace
