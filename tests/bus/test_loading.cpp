#include "FakePlugin.h"

#include "bus/Manager.h"
#include "shared/Prompt.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace bustest;

namespace {

// A temporary program folder with a chosen set of fixture libraries.
struct Loading : ::testing::Test
{
    QTemporaryDir dir;
    QStringList prompts;

    void SetUp() override
    {
        qApp->setProperty("fixture.log", QStringList());
        CPrompt::SetHandler([this](const PromptRequest &r) {
            prompts << r.text;
            return QMessageBox::Ok;
        });
    }
    void TearDown() override { CPrompt::SetHandler({}); }

    void put(const QString &name)
    {
        const QString src = QStringLiteral(OSTREL_BUS_FIXTURES) + QLatin1Char('/') + name + ".so";
        ASSERT_TRUE(QFile::copy(src, dir.filePath(name + ".so"))) << src.toStdString();
    }
    QStringList log() const { return qApp->property("fixture.log").toStringList(); }
    bool mapped(const QString &name) const
    {
        const QByteArray path = dir.filePath(name + ".so").toLocal8Bit();
        void *h = dlopen(path.constData(), RTLD_NOW | RTLD_NOLOAD);
        if (h)
            dlclose(h);
        return h != nullptr;
    }
    QStringList names(const CManager &m) const
    {
        QStringList out;
        for (IPlugin *p : m.Plugins())
            out << p->GetName();
        return out;
    }
};

TEST_F(Loading, EmptyFolderStillKeepsBuiltins)
{
    CManager m(dir.path());
    m.AddPlugin(new FakePlugin("storage"), 0x10000);
    m.LoadPluginLibraries();
    EXPECT_EQ(names(m), QStringList({"storage"}));
    EXPECT_TRUE(prompts.isEmpty());
}

TEST_F(Loading, LoadsGoodLibraryAndDropsTheUselessOnes)
{
    put("good");
    put("noexport");
    put("empty");
    put("throws");
    CManager m(dir.path());
    m.LoadPluginLibraries();
    // The throwing library keeps what it registered before the throw.
    EXPECT_EQ(names(m), QStringList({"good", "throws"}));
    EXPECT_TRUE(mapped("good"));
    EXPECT_TRUE(mapped("throws"));
    EXPECT_FALSE(mapped("noexport"));
    EXPECT_FALSE(mapped("empty"));
    EXPECT_TRUE(log().contains("load:empty"));
    EXPECT_TRUE(prompts.isEmpty());
}

TEST_F(Loading, AFileThatIsNotALibraryShowsOneBoxNamingIt)
{
    QFile bad(dir.filePath("notalib.so"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("this is not an ELF file");
    bad.close();
    put("good");
    CManager m(dir.path());
    m.LoadPluginLibraries();
    EXPECT_EQ(prompts, QStringList({"Failed to load library notalib.so"}));
    EXPECT_EQ(names(m), QStringList({"good"}));
}

TEST_F(Loading, FailedInitializeIsReleasedOnceAndItsLibraryUnloaded)
{
    put("initfails");
    CManager m(dir.path());
    m.LoadPluginLibraries();
    EXPECT_TRUE(names(m).isEmpty());
    EXPECT_EQ(log().count("release:initfails"), 1);
    EXPECT_FALSE(mapped("initfails"));
}

TEST_F(Loading, TwoPluginsInOneLibraryShareIt)
{
    put("two");
    {
        CManager m(dir.path());
        m.LoadPluginLibraries();
        EXPECT_EQ(names(m), QStringList({"two-a", "two-b"}));
    }
    EXPECT_EQ(log().count("release:two-a") + log().count("release:two-b"), 2);
}

TEST_F(Loading, AnInitialisingPluginIsHeardOnlyByThoseBeforeIt)
{
    put("late");  // 13000
    put("early"); // 11000
    put("good");  // 12000
    CManager m(dir.path());
    auto *ui = new FakePlugin("ui");
    m.AddPlugin(ui, -1);
    m.LoadPluginLibraries();
    EXPECT_EQ(names(m), QStringList({"ui", "early", "good", "late"}));
    const QStringList heard = log().filter("heard:");
    EXPECT_EQ(heard, QStringList({"heard:early:good", "heard:early:late", "heard:good:late"}));
    EXPECT_EQ(ui->heard.size(), 3u);
}

TEST_F(Loading, ShutdownUninitialisesAllBeforeTheFirstRelease)
{
    put("early");
    put("good");
    {
        CManager m(dir.path());
        m.LoadPluginLibraries();
    }
    const QStringList l = log().filter(QRegularExpression("^(uninit|release):"));
    EXPECT_EQ(l, QStringList({"uninit:early", "uninit:good", "release:early", "release:good"}));
}

} // namespace
