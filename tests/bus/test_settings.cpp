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

} // namespace
