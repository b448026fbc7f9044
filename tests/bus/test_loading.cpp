#include "FakePlugin.h"

#include "shared/Prompt.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
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

TEST_F(Loading, LoadsGoodLibrariesAndDropsTheUselessOnes)
{
    QFile bad(dir.filePath("notalib.so"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly) && bad.write("this is not an ELF file") > 0);
    bad.close();
    for (const char *name : {"good", "noexport", "empty", "throws"})
        put(name);
    CManager m(dir.path());
    m.LoadPluginLibraries();
    // The throwing library keeps what it registered before the throw.
    EXPECT_EQ(names(m), QStringList({"good", "throws"}));
    EXPECT_TRUE(mapped("good") && mapped("throws"));
    EXPECT_FALSE(mapped("noexport") || mapped("empty"));
    EXPECT_TRUE(log().contains("load:empty"));
    EXPECT_EQ(prompts, QStringList({"Failed to load library notalib.so"}));
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

TEST_F(Loading, TwoPluginsInOneLibraryAndEveryUninitializeBeforeTheFirstRelease)
{
    put("early");
    put("two");
    {
        CManager m(dir.path());
        m.LoadPluginLibraries();
        EXPECT_EQ(names(m), QStringList({"early", "two-a", "two-b"}));
    }
    EXPECT_EQ(log().filter(QRegularExpression("^(uninit|release):")),
              QStringList({"uninit:early", "uninit:two-a", "uninit:two-b", "release:early", "release:two-a",
                           "release:two-b"}));
}

} // namespace
