#include "SkinTestUtil.h"

#include "skins/QVSkinForm.h"

#include <QSignalSpy>
#include <QUrl>

#include <functional>

#include <sys/stat.h>

using namespace skintest;

namespace {

QString folderWith(const QTemporaryDir &dir, const QList<QPair<QString, QByteArray>> &files)
{
    for (const auto &[name, text] : files)
        writeFile(dir.filePath(name), text);
    return dir.path() + QLatin1Char('/');
}

QByteArray skinsFile(const QStringList &ids)
{
    QByteArray text = "<skins>";
    for (const QString &id : ids)
        text += "<skin id=\"" + id.toUtf8() + "\"><form id=\"" + id.toUtf8() + "Form\"/></skin>";
    return text + "</skins>";
}

struct SkinLoad : ::testing::Test
{
    QTemporaryDir dir;
    QSignalSpy changed{CQVSkinManager::Instance(), &CQVSkinManager::OnSkinChanged};
};

// What the windows cannot show: the structure of the model as read. Placing,
// applying and painting the forms is in test_skin_widgets.
TEST_F(SkinLoad, TestSkinsModel)
{
    ASSERT_TRUE(CQVSkinManager::Load(stageTestSkins(dir)));
    EXPECT_EQ(CQVSkinManager::GetSkinNames(), QStringList({"alpha", "beta"}));
    EXPECT_EQ(CQVSkinManager::GetCurrentSkin(), "alpha");
    EXPECT_EQ(changed.count(), 0) << "the first skin becomes current silently";

    Locked base("Base");
    Locked derived("Derived");
    ASSERT_TRUE(base.form && derived.form);

    EXPECT_TRUE(dynamic_cast<const CQVSkinGroup *>(base.form->GetControl("bar")));
    EXPECT_EQ(base.form->GetPaint("band"), nullptr) << "only top-level client paints are found by id";
    EXPECT_FALSE(base.form->IsCustomNcPaint());

    // Inherited in order, the new control last; the button stays a button.
    QStringList ids;
    for (const auto &control : derived.form->GetControls())
        ids << control->GetId();
    EXPECT_EQ(ids, QStringList({"list", "ok", "bar", "panel", "extra"}));
    EXPECT_TRUE(dynamic_cast<const CQVSkinButton *>(derived.form->GetControl("ok")));
    EXPECT_TRUE(derived.form->IsCustomNcPaint());
    EXPECT_EQ(base.form->GetControls().size(), 4u) << "the base was cloned, not shared";

    // Colours: the first definition counts, unknown names are ignored.
    EXPECT_EQ(CQVSkinManager::GetColor(FormBackground).rgba(), 0xFF102030u);
    EXPECT_EQ(CQVSkinManager::GetCssPath(), QUrl::fromLocalFile(dir.filePath("alpha.css")).toString());

    QTemporaryDir other;
    ASSERT_TRUE(CQVSkinManager::Load(folderWith(other, {{"a.xml", skinsFile({"other"})}})));
    EXPECT_EQ(derived.form->GetControls().size(), 5u) << "a locked form outlives a new load";
}

TEST_F(SkinLoad, CurrentSkinRules)
{
    ASSERT_TRUE(CQVSkinManager::Load(stageTestSkins(dir)));
    changed.clear();

    EXPECT_FALSE(CQVSkinManager::SetCurrentSkin("gamma"));
    EXPECT_FALSE(CQVSkinManager::SetCurrentSkin("Beta")) << "ids are case-sensitive";
    EXPECT_TRUE(CQVSkinManager::SetCurrentSkin("alpha"));
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(CQVSkinManager::GetCurrentSkin(), "alpha");

    EXPECT_TRUE(CQVSkinManager::SetCurrentSkin("beta"));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(CQVSkinManager::GetCurrentSkin(), "beta");
    EXPECT_EQ(CQVSkinManager::GetColor(FormBackground).rgba(), 0xFF000000u) << "undefined: opaque black";
    EXPECT_EQ(CQVSkinManager::GetCssPath(), "");
    EXPECT_EQ(CQVSkinManager::LockForm("Derived"), nullptr);
    Locked base("Base");
    ASSERT_TRUE(base.form);
    EXPECT_TRUE(base.form->GetControls().empty()) << "forms come from the current skin";
}

TEST_F(SkinLoad, DefaultSkinWinsAndSignalsOnce)
{
    ASSERT_TRUE(CQVSkinManager::Load(folderWith(dir, {{"a.xml", skinsFile({"a", "default", "b"})}})));
    EXPECT_EQ(CQVSkinManager::GetCurrentSkin(), "default");
    EXPECT_EQ(changed.count(), 1);
}

TEST_F(SkinLoad, FilesAreReadInNameOrderAndBadFilesSkipped)
{
    const QString folder = folderWith(dir,
        {{"B.xml", skinsFile({"second"})}, {"a.xml", skinsFile({"first"})}, {"c.xml", "<skins><skin"},
            {"d.txt", skinsFile({"ignored"})}, {"e.xml", "<other><skin id=\"x\"/></other>"},
            {"f.XML", skinsFile({"third"})}});
    ASSERT_TRUE(CQVSkinManager::Load(folder));
    EXPECT_EQ(CQVSkinManager::GetSkinNames(), QStringList({"first", "second", "third"}));
    EXPECT_EQ(CQVSkinManager::GetCurrentSkin(), "first");
}

TEST_F(SkinLoad, FailedLoadKeepsPreviousSkins)
{
    ASSERT_TRUE(CQVSkinManager::Load(stageTestSkins(dir)));
    ASSERT_TRUE(CQVSkinManager::SetCurrentSkin("beta"));
    changed.clear();

    const struct
    {
        const char *name;
        QList<QPair<QString, QByteArray>> files;
    } cases[] = {
        {"no file", {}},
        {"no skin", {{"a.xml", "<skins/>"}}},
        {"skin without id", {{"a.xml", "<skins><skin/></skins>"}}},
        {"form without id", {{"a.xml", "<skins><skin id=\"s\"><form/></skin></skins>"}}},
        {"colour without id", {{"a.xml", "<skins><skin id=\"s\"><colors><color color=\"#FF000000\"/></colors>"
                                          "</skin></skins>"}}},
        {"a good file, then a bad value", {{"a.xml", skinsFile({"default"})},
                                              {"b.xml", formFile("<control id=\"c\" border=\"yes\"/>")}}},
    };
    for (const auto &c : cases) {
        QTemporaryDir folder;
        EXPECT_FALSE(CQVSkinManager::Load(folderWith(folder, c.files))) << c.name;
    }
    EXPECT_FALSE(CQVSkinManager::Load(dir.path() + "/missing/"));

    EXPECT_EQ(CQVSkinManager::GetSkinNames(), QStringList({"alpha", "beta"}));
    EXPECT_EQ(CQVSkinManager::GetCurrentSkin(), "beta");
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(SkinLoad, ShippedSkinLoadsFromTheProgramFolder)
{
    ASSERT_TRUE(CQVSkinManager::Load(QStringLiteral(OSTREL_PROGRAM_DIR "/skins/")));
    EXPECT_TRUE(CQVSkinManager::GetSkinNames().contains("standard"));
    ASSERT_TRUE(CQVSkinManager::SetCurrentSkin("standard"));
    EXPECT_EQ(CQVSkinManager::GetColor(FormBackground).alpha(), 255);
    const QUrl css(CQVSkinManager::GetCssPath());
    ASSERT_TRUE(css.isLocalFile()) << CQVSkinManager::GetCssPath().toStdString();
    EXPECT_TRUE(QFile::exists(css.toLocalFile()));
}

// The value grammar, one small skin file per case.
struct ValueCase
{
    const char *name;
    QByteArray controls;
    QByteArray paints;
    // Null when the load must be abandoned.
    std::function<void(const CQVSkinForm &)> check;
};

const CQVSkinControl &control(const CQVSkinForm &f)
{
    static const CQVSkinControl none;
    const CQVSkinControl *c = f.GetControl("c");
    EXPECT_TRUE(c);
    return c ? *c : none;
}

const CQVSkinPaintRect &paint(const CQVSkinForm &f)
{
    static const CQVSkinPaintRect none;
    EXPECT_EQ(f.GetPaints().size(), 1u);
    return f.GetPaints().empty() ? none : *f.GetPaints().front();
}

bool transparent(const CQVSkinForm &f)
{
    return dynamic_cast<const CQVSkinButton &>(control(f)).IsTransparent();
}

const ValueCase kValueCases[] = {
    {"edge without digits is 0", R"(<control id="c" left="wide" top="3" right="0" bottom="0"/>)", {},
        [](const CQVSkinForm &f) {
            EXPECT_EQ(control(f).GetRect().GetEdge(CQVSkinRect::Left), 0);
            EXPECT_EQ(control(f).GetRect().GetEdge(CQVSkinRect::Top), 3);
        }},
    {"three edges keep the default", R"(<control id="c" left="5" top="5" right="5"/>)", {},
        [](const CQVSkinForm &f) { EXPECT_EQ(control(f).GetRect(), CQVSkinRect()); }},
    {"empty edge is not given", R"(<control id="c" left="" top="5" right="5" bottom="5"/>)", {},
        [](const CQVSkinForm &f) { EXPECT_EQ(control(f).GetRect(), CQVSkinRect()); }},
    {"six-digit colour is transparent", {}, R"(<rectangle color="#0000FF"/>)",
        [](const CQVSkinForm &f) { EXPECT_EQ(paint(f).GetColor(), 0x000000FFu); }},
    {"colour without # is ignored", {}, R"(<rectangle color="0000FF"/>)",
        [](const CQVSkinForm &f) { EXPECT_EQ(paint(f).GetColor(), CQVSkinPaintRect::NoColor); }},
    {"transparent 1", R"(<button id="c" transparent="1"/>)", {},
        [](const CQVSkinForm &f) { EXPECT_TRUE(transparent(f)); }},
    {"transparent true is not", R"(<button id="c" transparent="true"/>)", {},
        [](const CQVSkinForm &f) { EXPECT_FALSE(transparent(f)); }},
    {"border number", R"(<control id="c" border="-1"/>)", {},
        [](const CQVSkinForm &f) { EXPECT_TRUE(control(f).HasBorder()); }},
    {"border 0", R"(<control id="c" border="0"/>)", {},
        [](const CQVSkinForm &f) { EXPECT_FALSE(control(f).HasBorder()); }},
    {"dlgId", R"(<control id="c" dlgId=" 42 "/>)", {},
        [](const CQVSkinForm &f) { EXPECT_EQ(control(f).GetDlgId(), 42); }},
    {"fill ignored without an image", {}, R"(<rectangle fill="maybe"/>)",
        [](const CQVSkinForm &f) { EXPECT_FALSE(paint(f).IsFill()); }},
    {"unknown elements are skipped", R"(<slider id="x"/><control id="c"><knob/></control>)",
        R"(<circle/><rectangle><triangle/></rectangle>)",
        [](const CQVSkinForm &f) {
            EXPECT_EQ(f.GetControls().size(), 1u);
            EXPECT_TRUE(control(f).GetControls().empty());
            EXPECT_TRUE(paint(f).GetPaints().empty());
        }},
    {"comments do not end nested controls",
        R"(<group id="c"><control id="n1"/><!-- note --><control id="n2"/></group>)", {},
        [](const CQVSkinForm &f) { EXPECT_EQ(control(f).GetControls().size(), 2u); }},
    {"border yes aborts", R"(<control id="c" border="yes"/>)", {}, nullptr},
    {"empty boolean aborts", R"(<control id="c" visible=""/>)", {}, nullptr},
    {"bad dlgId aborts", R"(<control id="c" dlgId="ok"/>)", {}, nullptr},
    {"bad fill aborts", {}, R"(<rectangle image="x.png" fill="sometimes"/>)", nullptr},
    {"control without id aborts", R"(<control dlgId="1"/>)", {}, nullptr},
    {"nested control without id aborts", R"(<group id="c"><control/></group>)", {}, nullptr},
};

TEST_F(SkinLoad, ValueGrammar)
{
    for (const ValueCase &c : kValueCases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        const bool loaded = loadSkinText(folder, formFile(c.controls, c.paints));
        ASSERT_EQ(loaded, bool(c.check));
        if (!loaded)
            continue;
        Locked form("f");
        ASSERT_TRUE(form.form);
        c.check(*form.form);
    }
}

QByteArray nestedGroups(int levels)
{
    return QByteArray("<group id=\"g\">").repeated(levels) + QByteArray("</group>").repeated(levels);
}

// A form "f0" with this many controls, then forms each based on the one before.
QByteArray formChain(int controls, int forms)
{
    QByteArray text = "<skins><skin id=\"s\"><form id=\"f0\"><controls>";
    for (int i = 0; i < controls; ++i)
        text += "<control id=\"c" + QByteArray::number(i) + "\"/>";
    text += "</controls></form>";
    for (int i = 1; i < forms; ++i)
        text += "<form id=\"f" + QByteArray::number(i) + "\" base=\"f" + QByteArray::number(i - 1) + "\"/>";
    return text + "</skin></skins>";
}

// A file beyond the bounds is skipped like an unreadable one; the others load.
TEST_F(SkinLoad, OversizedFilesAreSkipped)
{
    const struct
    {
        const char *name;
        QByteArray text;
        bool loaded;
    } cases[] = {
        {"nested 60 levels", formFile(nestedGroups(56)), true},
        {"nested 100 levels", formFile(nestedGroups(100)), false},
        {"over 4 MiB", formFile({}, {}, "<!--" + QByteArray(4 * 1024 * 1024, 'x') + "-->"), false},
        {"2,000 forms", formChain(1, 2000), true},
        {"2,001 forms", formChain(0, 2001), false},
        {"copies of a base beyond 10,000 items", formChain(100, 101), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        ASSERT_TRUE(CQVSkinManager::Load(folderWith(folder, {{"a.xml", c.text}, {"b.xml", skinsFile({"other"})}})));
        EXPECT_EQ(CQVSkinManager::GetSkinNames(), c.loaded ? QStringList({"s", "other"}) : QStringList({"other"}));
    }
}

TEST_F(SkinLoad, FilePathsStayInTheSkinFolderAndNameRegularFiles)
{
    QTemporaryDir outer;
    const QString folder = outer.filePath("skin");
    ASSERT_TRUE(QDir().mkpath(folder + "/sub"));
    writeImage(outer.filePath("outside.png"), OkBlue);
    writeImage(folder + "/sub/in.png", OkBlue);
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + "/fifo.png").constData(), 0600), 0);
    const struct
    {
        const char *name;
        QByteArray path;
        bool loaded;
    } cases[] = {
        {"inside", "sub/in.png", true},
        {"backslashes", "sub\\in.png", true},
        {"dot-dot that stays inside", "sub/../sub/in.png", true},
        {"dot-dot out of the folder", "../outside.png", false},
        {"backslashed dot-dot out", "..\\outside.png", false},
        {"absolute", QFile::encodeName(outer.filePath("outside.png")), false},
        {"a FIFO", "fifo.png", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(folder + "/s.xml", formFile({}, "<image id=\"p\" image=\"" + c.path + "\"/>"));
        ASSERT_TRUE(CQVSkinManager::Load(folder + "/"));
        Locked form("f");
        ASSERT_TRUE(form.form);
        EXPECT_EQ(!paint(*form.form).GetImage().isNull(), c.loaded);
    }
}

} // namespace
