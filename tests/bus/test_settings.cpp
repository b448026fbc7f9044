#include "FakePlugin.h"

#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "bus/RegSettingsStoragePlugin.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace QVPlugin;
using bustest::FakePlugin;

class Settings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        Restart();
    }

    // A new plug-in on the same file, as at the next program start.
    void Restart() { storage = std::make_unique<CRegSettingsStoragePlugin>(FileName()); }

    QString FileName() const { return m_dir.filePath(QStringLiteral("config/Quelvar/Quelvar.conf")); }

    QVariant Get(const QString &key, const QVariant &defaultValue)
    {
        MsgValue in(key, defaultValue);
        QVMessage<QVariant> out(defaultValue);
        EXPECT_EQ(storage->OnMessage(MSG_GET_SETTING, &in, &out), RESULT_DONE);
        return out.value;
    }

    void Set(const QString &key, const QVariant &value)
    {
        MsgValue in(key, value);
        EXPECT_EQ(storage->OnMessage(MSG_SET_SETTING, &in, nullptr), RESULT_DONE);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<CRegSettingsStoragePlugin> storage;
};

// Same value and same type.
::testing::AssertionResult Same(const QVariant &actual, const QVariant &expected)
{
    if (actual.typeId() == expected.typeId() && actual == expected)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << actual.typeName() << " "
                                         << actual.toString().toStdString() << ", expected "
                                         << expected.typeName() << " " << expected.toString().toStdString();
}

TEST_F(Settings, ReadOfAnAbsentKeyFollowsTheKindOfTheDefault)
{
    const struct
    {
        const char *key;
        QVariant defaultValue;
        QVariant expected;
    } cases[] = {
        {"flag.true", true, 1},
        {"flag.false", false, 0},
        {"number", 7, 7},
        {"number.unsigned", 0xFFFFFFFFu, -1},
        {"text", QStringLiteral("abc"), QStringLiteral("abc")},
        {"empty", QVariant(), QStringLiteral("")},
        {"real", 2.5, 2.5},
    };
    for (const auto &c : cases)
        EXPECT_TRUE(Same(Get(QLatin1String(c.key), c.defaultValue), c.expected)) << c.key;
}

TEST_F(Settings, WritesReadBackByKindAfterARestart)
{
    const struct
    {
        const char *key;
        QVariant written;
        QVariant defaultValue;
        QVariant afterRestart;
    } cases[] = {
        {"number", 42, 0, 42},
        {"negative", -3, 0, -3},
        {"flag", true, false, 1},
        {"short", QVariant::fromValue<short>(12), 0, 12},
        {"text", QStringLiteral("x, y"), QString(), QStringLiteral("x, y")},
        {"text.unicode", QStringLiteral("Grüße = 1;"), QString(), QStringLiteral("Grüße = 1;")},
        {"text.read.empty", QStringLiteral("kept"), QVariant(), QStringLiteral("kept")},
        {"text.as.number", QStringLiteral("abc"), 5, 5},
        // Other kinds live only for the run.
        {"real", 2.5, 1.0, 1.0},
        {"big", QVariant::fromValue<qint64>(qint64(1) << 40), qint64(0), qint64(0)},
    };
    for (const auto &c : cases) {
        Set(QLatin1String(c.key), c.written);
        EXPECT_TRUE(Same(Get(QLatin1String(c.key), c.defaultValue), c.written)) << "same run: " << c.key;
    }
    Restart();
    for (const auto &c : cases)
        EXPECT_TRUE(Same(Get(QLatin1String(c.key), c.defaultValue), c.afterRestart)) << "restart: " << c.key;
}

TEST_F(Settings, EmptyValueDeletes)
{
    Set(QStringLiteral("server.address"), QStringLiteral("127.0.0.1:5222"));
    Set(QStringLiteral("count"), 9);
    Set(QStringLiteral("count"), QVariant());
    Set(QStringLiteral("server.address"), QVariant::fromValue(nullptr));
    EXPECT_TRUE(Same(Get(QStringLiteral("count"), 5), 5));
    Restart();
    EXPECT_TRUE(Same(Get(QStringLiteral("count"), 5), 5));
    EXPECT_TRUE(Same(Get(QStringLiteral("server.address"), QString()), QString()));
    QSettings file(FileName(), QSettings::IniFormat);
    EXPECT_TRUE(file.allKeys().isEmpty()) << file.allKeys().join(QLatin1Char(' ')).toStdString();
}

TEST_F(Settings, CacheHidesOutsideChangesDuringTheRun)
{
    EXPECT_TRUE(Same(Get(QStringLiteral("ui.skin"), QStringLiteral("Blue")), QStringLiteral("Blue")));
    {
        QSettings outside(FileName(), QSettings::IniFormat);
        outside.setValue(QStringLiteral("Values/ui.skin"), QStringLiteral("Green"));
    }
    EXPECT_TRUE(Same(Get(QStringLiteral("ui.skin"), QStringLiteral("Blue")), QStringLiteral("Blue")));
    // Keys are compared exactly.
    EXPECT_TRUE(Same(Get(QStringLiteral("UI.Skin"), QStringLiteral("Red")), QStringLiteral("Red")));
    Restart();
    EXPECT_TRUE(Same(Get(QStringLiteral("ui.skin"), QStringLiteral("Blue")), QStringLiteral("Green")));
}

bool OwnerOnly(const QString &fileName)
{
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
        | QFile::WriteOther | QFile::ExeOther;
    const QFile::Permissions p = QFile::permissions(fileName);
    return p.testFlags(QFile::ReadOwner | QFile::WriteOwner) && !(p & others);
}

TEST_F(Settings, FileIsOwnerOnly)
{
    Set(QStringLiteral("agent.password"), QStringLiteral("secret"));
    EXPECT_TRUE(OwnerOnly(FileName()));

    // A file that another writer made readable is closed on the next write.
    QFile::setPermissions(FileName(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    Restart();
    Set(QStringLiteral("agent.password"), QStringLiteral("other"));
    EXPECT_TRUE(OwnerOnly(FileName()));
    Set(QStringLiteral("agent.password"), QStringLiteral("again"));
    EXPECT_TRUE(OwnerOnly(FileName()));
}

TEST_F(Settings, LibraryPluginsAnswerAndHearFirstOnTheBus)
{
    CManager manager(m_dir.path());
    auto *chat = new FakePlugin(QStringLiteral("chat"));
    QVariant heardBeforeStored;
    chat->onMessage = [&](const QUuid &id, IMessage *in, IMessage *out) {
        auto *value = static_cast<MsgValue *>(in);
        if (id == MSG_SET_SETTING) {
            heardBeforeStored = QSettings(FileName(), QSettings::IniFormat).value(QStringLiteral("Values/") + value->name);
            return RESULT_HANDLED_CONTINUE;
        }
        if (id == MSG_GET_SETTING && value->name == QLatin1String("agent.id")) {
            static_cast<QVMessage<QVariant> *>(out)->value = QStringLiteral("agent@127.0.0.1/desk");
            return RESULT_DONE;
        }
        return RESULT_NOT_HANDLED;
    };
    ASSERT_TRUE(manager.AddPlugin(storage.release(), PLUGIN_ORDER_SETTINGS_STORAGE));
    ASSERT_TRUE(manager.AddPlugin(chat, PLUGIN_ORDER_LIVE_CHAT));

    manager.SetSetting(QStringLiteral("agent.nick"), QStringLiteral("Ann"));
    EXPECT_FALSE(heardBeforeStored.isValid());
    EXPECT_TRUE(Same(manager.GetSetting(QStringLiteral("agent.nick"), QString()), QStringLiteral("Ann")));
    EXPECT_TRUE(Same(manager.GetSetting(QStringLiteral("agent.id"), QString()), QStringLiteral("agent@127.0.0.1/desk")));
    EXPECT_TRUE(Same(manager.GetSetting(QStringLiteral("application.newmsg.playsound"), true), 1));
}

} // namespace
