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

class Settings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        Restart();
    }

    // A new plug-in on the same file, as at the next program start.
    void Restart() { m_storage = std::make_unique<CRegSettingsStoragePlugin>(FileName()); }
    QString FileName() const { return m_dir.filePath(QStringLiteral("config/Quelvar/Quelvar.conf")); }

    // Same value of the same type, through the plug-in's message handling.
    ::testing::AssertionResult Reads(const char *key, const QVariant &defaultValue, const QVariant &expected)
    {
        MsgValue in(QLatin1String(key), defaultValue);
        QVMessage<QVariant> out(defaultValue);
        const int result = m_storage->OnMessage(MSG_GET_SETTING, &in, &out);
        if (result == RESULT_DONE && out.value.typeId() == expected.typeId() && out.value == expected)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << key << ": result " << result << ", " << out.value.typeName() << " "
                                             << out.value.toString().toStdString();
    }

    void Set(const char *key, const QVariant &value)
    {
        MsgValue in(QLatin1String(key), value);
        EXPECT_EQ(m_storage->OnMessage(MSG_SET_SETTING, &in, nullptr), RESULT_DONE);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<CRegSettingsStoragePlugin> m_storage;
};

TEST_F(Settings, ByKindAcrossARestart)
{
    const QVariant unwritten;
    const struct
    {
        const char *key;
        QVariant written;
        QVariant defaultValue;
        QVariant afterRestart; // in the same run the written value comes back as it was
    } cases[] = {
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
        if (c.written.isValid()) {
            Set(c.key, c.written);
            EXPECT_TRUE(Reads(c.key, c.defaultValue, c.written));
        } else {
            EXPECT_TRUE(Reads(c.key, c.defaultValue, c.afterRestart));
        }
    }
    Restart();
    for (const auto &c : cases)
        EXPECT_TRUE(Reads(c.key, c.defaultValue, c.afterRestart));
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
    EXPECT_TRUE(QSettings(FileName(), QSettings::IniFormat).allKeys().isEmpty());
}

TEST_F(Settings, CacheHidesOutsideChangesDuringTheRun)
{
    EXPECT_TRUE(Reads("ui.skin", QStringLiteral("Blue"), QStringLiteral("Blue")));
    QSettings(FileName(), QSettings::IniFormat).setValue(QStringLiteral("Values/ui.skin"), QStringLiteral("Green"));
    EXPECT_TRUE(Reads("ui.skin", QStringLiteral("Blue"), QStringLiteral("Blue")));
    Restart();
    EXPECT_TRUE(Reads("ui.skin", QStringLiteral("Blue"), QStringLiteral("Green")));
}

TEST_F(Settings, FileIsOwnerOnly)
{
    const auto ownerOnly = [this] {
        const QFile::Permissions p = QFile::permissions(FileName());
        const QFile::Permissions groupOrOther(0x0077);
        return p.testFlags(QFile::ReadOwner | QFile::WriteOwner) && !(p & groupOrOther);
    };
    Set("agent.password", QStringLiteral("secret"));
    EXPECT_TRUE(ownerOnly());
    // A file that another writer left readable is closed on the next write.
    QFile::setPermissions(FileName(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    Restart();
    Set("agent.password", QStringLiteral("other"));
    EXPECT_TRUE(ownerOnly());
}

} // namespace
