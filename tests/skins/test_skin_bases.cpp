#include "SkinTestUtil.h"

#include "skins/QVSkinDialog.h"
#include "skins/QVSkinWnd.h"

#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>

using namespace skintest;

namespace {

const QRgb DayFrame = 0xFFC02020;
const QRgb DayCaption = 0xFF602020;
const QRgb DayClient = 0xFF2040A0;
const QRgb DayBand = 0xFF80C0FF;
const QRgb NightFrame = 0xFFE0E000;
const QRgb NightClient = 0xFF103010;
const QRgb Fill = 0xFF00FF00;

// No GetSkinFormName override: uses the form "SkinTestWnd".
class SkinTestWnd : public CQVSkinWnd
{
    Q_OBJECT

public:
    QListWidget *list = named(new QListWidget(this), 1001);
    QPushButton *ok = named(new QPushButton(this), 1);
    QLabel *note = named(new QLabel(this), 1002);
    QLabel *status = named(new QLabel(this), 1003);
    QLabel *free = named(new QLabel(this), 1004);

    SkinTestWnd() { free->setGeometry(1, 2, 3, 4); }

protected:
    void FillBackground(QPainter &painter, const QRect &rect) override { painter.fillRect(rect, QColor(Fill)); }
};

class TestDialog : public CQVSkinDialog
{
    Q_OBJECT

public:
    QPushButton *ok = named(new QPushButton(this), 1);
    QString formName = "TestDialog";

    using CQVSkinDialog::DoResize;

protected:
    QString GetSkinFormName() const override { return formName; }
};

struct SkinBases : ::testing::Test
{
    QTemporaryDir dir;

    void SetUp() override
    {
        CQVSkinRect::SetDpi(96);
        ASSERT_TRUE(QFile::copy(
            QStringLiteral(OSTREL_SOURCE_DIR "/tests/skins/data/window_skins.xml"), dir.filePath("window_skins.xml")));
        ASSERT_TRUE(CQVSkinManager::Load(dir.path() + "/"));
        ASSERT_TRUE(CQVSkinManager::SetCurrentSkin("day"));
    }
};

TEST_F(SkinBases, FormOfTheClassNamePlacesItemsAndPaints)
{
    SkinTestWnd wnd;
    const struct
    {
        QSize size;
        QRect list, ok;
    } cases[] = {
        {{300, 200}, {12, 38, 276, 118}, {208, 164, 80, 24}},
        {{400, 300}, {12, 38, 376, 218}, {308, 264, 80, 24}},
    };
    wnd.resize(cases[0].size);
    wnd.show();
    EXPECT_TRUE(wnd.IsCustomNcPaint());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.size.width());
        wnd.resize(c.size);
        EXPECT_EQ(wnd.contentsRect(), QRect(QPoint(4, 30), c.size - QSize(8, 34)));
        EXPECT_EQ(wnd.list->geometry(), c.list);
        EXPECT_EQ(wnd.ok->geometry(), c.ok);
    }
    EXPECT_EQ(wnd.list->frameShape(), QFrame::Box);
    EXPECT_TRUE(wnd.note->isHidden()) << "the skin hides it";
    EXPECT_FALSE(wnd.status->isHidden());
    EXPECT_EQ(wnd.free->geometry(), QRect(1, 2, 3, 4)) << "items without a control stay put";

    wnd.resize(300, 200);
    const QImage image = wnd.grab().toImage();
    const struct
    {
        QPoint at;
        QRgb expected;
    } pixels[] = {
        {{1, 1}, DayCaption},
        {{150, 27}, DayFrame}, // below the caption band, above the client
        {{1, 100}, DayFrame},
        {{298, 198}, DayFrame},
        {{150, 31}, DayBand},
        {{150, 36}, DayClient},
        {{6, 100}, DayClient},
    };
    for (const auto &p : pixels)
        EXPECT_EQ(image.pixel(p.at), p.expected) << p.at.x() << "," << p.at.y();

    wnd.resize(0, 0);
    EXPECT_TRUE(wnd.grab().isNull());
}

TEST_F(SkinBases, OwnerWishesAndSkinVisibility)
{
    SkinTestWnd wnd;
    wnd.resize(300, 200);
    wnd.show();
    const struct
    {
        const char *name;
        int id;
        bool show;
        bool hiddenAfter;
    } cases[] = {
        {"skin hides: a show keeps it hidden", 1002, true, true},
        {"skin shows: a hide still hides", 1003, false, true},
        {"no skin visibility: shown", 1, true, false},
        {"no skin visibility: hidden", 1, false, true},
        {"item without a control", 1004, false, true},
        {"missing item", 4711, true, false},
    };
    for (const auto &c : cases) {
        wnd.ShowDlgItem(c.id, c.show);
        if (QWidget *item = wnd.findChild<QWidget *>(QStringLiteral("c%1").arg(c.id))) {
            EXPECT_EQ(item->isHidden(), c.hiddenAfter) << c.name;
        }
    }

    // The wishes outlive the form: the night skin leaves visibility to the window.
    ASSERT_TRUE(CQVSkinManager::SetCurrentSkin("night"));
    EXPECT_FALSE(wnd.note->isHidden()) << "wished shown";
    EXPECT_TRUE(wnd.status->isHidden()) << "wished hidden";
    EXPECT_TRUE(wnd.ok->isHidden());
}

TEST_F(SkinBases, SkinChangeMovesItemsWithoutResize)
{
    SkinTestWnd wnd;
    wnd.resize(300, 200);
    wnd.show();
    ASSERT_EQ(wnd.list->geometry(), QRect(12, 38, 276, 118));

    ASSERT_TRUE(CQVSkinManager::SetCurrentSkin("night"));
    EXPECT_EQ(wnd.size(), QSize(300, 200));
    EXPECT_EQ(wnd.contentsRect(), QRect(10, 10, 280, 180));
    EXPECT_EQ(wnd.list->geometry(), QRect(10, 10, 140, 180));
    EXPECT_EQ(wnd.ok->geometry(), QRect(210, 10, 80, 30));
    EXPECT_EQ(wnd.list->frameShape(), QFrame::NoFrame) << "the new form was applied";
    const QImage image = wnd.grab().toImage();
    EXPECT_EQ(image.pixel(1, 1), NightFrame);
    EXPECT_EQ(image.pixel(200, 150), NightClient);
}

TEST_F(SkinBases, SkinWithoutTheForm)
{
    ASSERT_TRUE(CQVSkinManager::SetCurrentSkin("bare"));
    SkinTestWnd wnd;
    wnd.setContentsMargins(1, 1, 1, 1);
    wnd.ok->setGeometry(5, 5, 10, 10);
    wnd.resize(300, 200);
    wnd.show();
    EXPECT_FALSE(wnd.IsCustomNcPaint());
    EXPECT_EQ(wnd.contentsRect(), QRect(1, 1, 298, 198)) << "the window's own margins";
    EXPECT_EQ(wnd.ok->geometry(), QRect(5, 5, 10, 10)) << "not placed";
    EXPECT_FALSE(wnd.note->isHidden());
    wnd.ShowDlgItem(1002, false);
    EXPECT_TRUE(wnd.note->isHidden()) << "shown and hidden as asked";
    EXPECT_EQ(wnd.grab().toImage().pixel(280, 180), Fill) << "only the window's own background";

    ASSERT_TRUE(CQVSkinManager::SetCurrentSkin("day"));
    EXPECT_EQ(wnd.contentsRect(), QRect(4, 30, 292, 166));
    EXPECT_EQ(wnd.ok->geometry(), QRect(208, 164, 80, 24));
    EXPECT_EQ(wnd.grab().toImage().pixel(150, 36), DayClient) << "the skin paints over the window's background";

    ASSERT_TRUE(CQVSkinManager::SetCurrentSkin("bare"));
    EXPECT_EQ(wnd.contentsRect(), QRect(1, 1, 298, 198)) << "own margins come back";
    EXPECT_EQ(wnd.ok->geometry(), QRect(208, 164, 80, 24)) << "items stay where the last form put them";
}

TEST_F(SkinBases, DialogFollowsItsFormNameNotSkinChanges)
{
    TestDialog dialog;
    dialog.resize(300, 200);
    dialog.show();
    EXPECT_EQ(dialog.contentsRect(), dialog.rect()) << "no client rectangle";
    EXPECT_EQ(dialog.ok->geometry(), QRect(212, 168, 80, 24));

    dialog.formName = "TestDialogWide";
    dialog.DoResize();
    EXPECT_EQ(dialog.ok->geometry(), QRect(8, 168, 284, 24)) << "a new form name applies its form";

    ASSERT_TRUE(CQVSkinManager::SetCurrentSkin("night"));
    EXPECT_EQ(dialog.ok->geometry(), QRect(8, 168, 284, 24)) << "dialogs do not follow skin changes";
    EXPECT_EQ(dialog.grab().toImage().pixel(150, 100), NightClient) << "but paint with the new skin";
    dialog.resize(320, 200);
    EXPECT_EQ(dialog.ok->geometry(), QRect(0, 0, 40, 20)) << "and place their items by it on a resize";
}

} // namespace

#include "test_skin_bases.moc"
