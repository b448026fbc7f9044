// The visitor list and the site path list against a clock the test steps.

#include "plugins/chat/ui/SitePathListCtrl.h"
#include "plugins/chat/ui/VisitorListCtrl.h"
#include "skins/QVSettingsHelpers.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <clocale>
#include <ctime>

using QVPlugin::Jid;

namespace {

constexpr std::int64_t kStart = 1'700'000'000;

class VisitorListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        CQVSettingsHelpers::SetStoreFile(m_dir.filePath(QStringLiteral("state.ini")));
    }
    void TearDown() override { CQVSettingsHelpers::SetStoreFile(QString()); }

    CVisitor *Make(const char *tracking)
    {
        m_visitors.push_back(std::make_unique<CVisitor>(std::make_unique<NameValueCollection>(QByteArray(tracking)),
                                                        m_agent, Clock()));
        return m_visitors.back().get();
    }
    CVisitor::Clock Clock()
    {
        return [this] { return m_now; };
    }
    static QString Cell(const QAbstractItemModel &model, int row, int column)
    {
        return model.index(row, column).data().toString();
    }

    QTemporaryDir m_dir;
    std::int64_t m_now = kStart;
    Jid m_agent{QStringLiteral("agent@chat.example/desk")};
    std::vector<std::unique_ptr<CVisitor>> m_visitors;
};

} // namespace

TEST(VisitorListModel, Durations)
{
    const std::pair<std::int64_t, const char *> cases[] = {
        {0, "00:00:00"},          {59, "00:00:59"},         {3599, "00:59:59"}, {86399, "23:59:59"},
        {25 * 3600, "01:00:00"},  {3 * 86400 + 61, "00:01:01"}, {-1, "00:00:00"}, {-90000, "00:00:00"},
    };
    for (const auto &[seconds, text] : cases)
        EXPECT_EQ(CVisitorListModel::FormatDuration(seconds), QLatin1String(text)) << seconds;
}

TEST_F(VisitorListTest, ColumnsFollowTheVisitor)
{
    CVisitorListModel model(Clock());
    model.SetAgentsText([](const CVisitor &v) { return v.agents().isEmpty() ? QString() : "nick of " + v.agents(); });
    CVisitor *v = Make("sid=S1&qvvVID=Ann&url=http%3A%2F%2Fshop%2Fa&Title=Home&qvv!ID=p1");
    CVisitor *bare = Make("sid=S2");
    ASSERT_TRUE(model.AddVisitor(v));
    ASSERT_TRUE(model.AddVisitor(bare));
    EXPECT_FALSE(model.AddVisitor(v));
    EXPECT_FALSE(model.AddVisitor(Make("qvvVID=NoId")));
    EXPECT_EQ(model.rowCount(), 2);

    m_now += 25 * 3600;
    v->ApplyInfo({{QStringLiteral("state"), QStringLiteral("8")},
                  {QStringLiteral("agents"), QStringLiteral("a@x")},
                  {QStringLiteral("time-on-site"), QStringLiteral("90000")},
                  {QStringLiteral("time-on-page"), QStringLiteral("30")},
                  {QStringLiteral("time-chat-requested"), QStringLiteral("5")}});
    ASSERT_TRUE(model.UpdateVisitor("S1"));
    m_now += 10;
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.RefreshTimes();
    // One notice per run of time columns for every row; the page between them stays.
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed[0][0].toModelIndex(), model.index(0, CVisitorListModel::ColumnTimeOnPage));
    EXPECT_EQ(changed[0][1].toModelIndex(), model.index(1, CVisitorListModel::ColumnTimeOnPage));
    EXPECT_EQ(changed[1][0].toModelIndex(), model.index(0, CVisitorListModel::ColumnTimeOnSite));
    EXPECT_EQ(changed[1][1].toModelIndex(), model.index(1, CVisitorListModel::ColumnWaitTime));

    const QString row0[] = {QString(), "Ann", QString(), "Requesting Chat", "00:00:40", "Home", "http://shop/a",
                            "01:00:10", "00:00:15", "nick of a@x"};
    for (int c = 1; c < CVisitorListModel::ColumnCount; ++c)
        EXPECT_EQ(Cell(model, 0, c), row0[c]) << "column " << c;
    // No page and no wait: those columns stay empty; 25 h on site drop the day.
    const QString row1[] = {QString(), "Visitor", QString(), "Browsing", QString(), QString(), QString(),
                            "01:00:10", QString(), QString()};
    for (int c = 1; c < CVisitorListModel::ColumnCount; ++c)
        EXPECT_EQ(Cell(model, 1, c), row1[c]) << "column " << c;

    v->ClearChatRequested();
    model.UpdateVisitor("S1", true);
    EXPECT_EQ(Cell(model, 0, CVisitorListModel::ColumnWaitTime), QString());

    // Rows are found by id after a removal moves them up.
    Make("sid=S3&qvvVID=Cy");
    model.AddVisitor(m_visitors.back().get());
    EXPECT_TRUE(model.RemoveVisitor("S1"));
    EXPECT_FALSE(model.RemoveVisitor("S1"));
    EXPECT_FALSE(model.UpdateVisitor("S1"));
    EXPECT_EQ(model.RowOf("S3"), 1);
    m_visitors.back()->ApplySurvey("qvvVID=Cyd");
    model.UpdateVisitor("S3");
    EXPECT_EQ(Cell(model, 1, CVisitorListModel::ColumnVisitor), QStringLiteral("Cyd"));
}

TEST_F(VisitorListTest, IconsAndBlinking)
{
    const std::pair<int, int> stateImages[] = {{0, 0}, {1, 0}, {3, 0}, {6, 5}, {8, 3}, {9, 9},
                                               {10, 9}, {11, 5}, {12, 5}, {14, 0}, {-2, 0}};
    for (const auto &[state, image] : stateImages)
        EXPECT_EQ(CVisitorListModel::StateImage(state), image) << "state " << state;
    for (int image = 0; image < CVisitorListModel::ImageCount; ++image)
        EXPECT_EQ(CVisitorListModel::Picture(image).size(), QSize(16, 16)) << image;

    struct Case { int state; bool requested; std::vector<int> steps; } cases[] = {
        {8, false, {4, 3, 4}},
        {6, true, {6, 7, 8, 5, 6}},
        {6, false, {5, 5}},
        {11, true, {5, 5}},
        {1, false, {0, 0}},
        {10, false, {9, 9}},
    };
    CVisitorListModel model(Clock());
    int row = 0;
    for (const Case &c : cases) {
        CVisitor *v = Make(("sid=B" + std::to_string(row)).c_str());
        v->SetState(c.state);
        if (c.requested)
            v->SetChatRequested(0);
        model.AddVisitor(v);
        ++row;
    }
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    for (size_t step = 0; step < 2; ++step) {
        changed.clear();
        model.Blink();
        // Only the two blinking rows, neighbours, repaint: one notice.
        ASSERT_EQ(changed.count(), 1) << "step " << step;
        EXPECT_EQ(changed[0][0].toModelIndex().row(), 0);
        EXPECT_EQ(changed[0][1].toModelIndex().row(), 1);
        for (size_t r = 0; r < std::size(cases); ++r)
            EXPECT_EQ(model.ImageAt(int(r)), cases[r].steps[step]) << "row " << r << " step " << step;
    }
    // A visitor who starts asking between updates blinks from the first image.
    m_visitors[4]->SetState(8);
    model.Blink();
    EXPECT_EQ(model.ImageAt(4), 3);
}

TEST_F(VisitorListTest, SelectionAcceptAndMenu)
{
    CVisitorListCtrl list(Clock());
    CVisitor *a = Make("sid=A&qvvVID=Ann");
    CVisitor *b = Make("sid=B&qvvVID=Bob");
    list.AddVisitor(a);
    list.AddVisitor(b);
    list.resize(600, 300);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));

    QSignalSpy selected(&list, &CVisitorListCtrl::VisitorSelected);
    QSignalSpy accept(&list, &CVisitorListCtrl::AcceptRequested);
    QSignalSpy menu(&list, &CVisitorListCtrl::ContextMenuRequested);
    EXPECT_FALSE(list.SelectVisitor("none"));
    ASSERT_TRUE(list.SelectVisitor("B"));
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected[0][0].value<std::string>(), "B");
    EXPECT_EQ(list.SelectedId(), "B");

    // Many updates of the selected visitor in one pass announce it once.
    for (int i = 0; i < 5; ++i)
        list.UpdateVisitor("B");
    list.UpdateVisitor("A");
    list.UpdateVisitor("B", true);
    QTest::qWait(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(selected.count(), 2);

    const QRect cell = list.visualRect(list.Model()->index(1, CVisitorListModel::ColumnVisitor));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_EQ(accept.count(), 1);
    EXPECT_EQ(accept[0][0].value<std::string>(), "B");

    QContextMenuEvent keyboard(QContextMenuEvent::Keyboard, QPoint(-1, -1), QPoint(-1, -1));
    QCoreApplication::sendEvent(list.viewport(), &keyboard);
    ASSERT_EQ(menu.count(), 1);
    EXPECT_EQ(menu[0][0].value<std::string>(), "B");
    EXPECT_EQ(menu[0][1].toPoint(), list.viewport()->mapToGlobal(QPoint(0, cell.bottom())));
    // Shift+F10 opens the same menu at the same place.
    QTest::keyClick(&list, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(menu.count(), 2);
    EXPECT_EQ(menu[1], menu[0]);
    menu.clear();

    list.RemoveVisitor("B");
    EXPECT_EQ(list.SelectedId(), "");
    EXPECT_EQ(selected.last()[0].value<std::string>(), "");
    QCoreApplication::sendEvent(list.viewport(), &keyboard);
    EXPECT_EQ(menu.count(), 0); // nothing selected, no menu
}

// A row removed between the two clicks of a double-click: the second press
// lands on the row that moved up, but the first press named the visitor.
TEST_F(VisitorListTest, ADoubleClickActsOnTheVisitorOfTheFirstPress)
{
    CVisitorListCtrl list(Clock());
    list.AddVisitor(Make("sid=H&qvvVID=Hana"));
    list.AddVisitor(Make("sid=I&qvvVID=Ivan"));
    list.resize(600, 300);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    QSignalSpy accept(&list, &CVisitorListCtrl::AcceptRequested);

    const QPoint at = list.visualRect(list.Model()->index(0, CVisitorListModel::ColumnVisitor)).center();
    auto send = [&](QEvent::Type type, quint64 time) {
        QMouseEvent event(type, at, list.viewport()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        event.setTimestamp(time);
        QCoreApplication::sendEvent(list.viewport(), &event);
    };
    send(QEvent::MouseButtonPress, 1000);
    send(QEvent::MouseButtonRelease, 1080);
    list.RemoveVisitor("H");
    // What the window system delivers for the second click.
    send(QEvent::MouseButtonPress, 1200);
    send(QEvent::MouseButtonDblClick, 1200);
    send(QEvent::MouseButtonRelease, 1280);

    ASSERT_EQ(accept.count(), 1);
    EXPECT_EQ(accept[0][0].value<std::string>(), "H");
    EXPECT_EQ(accept[0][1].toString(), "Hana");
}

TEST_F(VisitorListTest, ColumnWidthsSurviveARestart)
{
    {
        CVisitorListCtrl list(Clock());
        EXPECT_EQ(list.horizontalHeader()->sectionSize(0), 28);
        EXPECT_EQ(list.horizontalHeader()->sectionSize(9), 100);
        list.horizontalHeader()->resizeSection(4, 163);
        CSitePathListCtrl path(nullptr);
        EXPECT_EQ(path.horizontalHeader()->sectionSize(3), 100);
        path.horizontalHeader()->resizeSection(3, 71);
    }
    CVisitorListCtrl list(Clock());
    EXPECT_EQ(list.horizontalHeader()->sectionSize(4), 163);
    EXPECT_EQ(list.horizontalHeader()->sectionSize(0), 28);
    CSitePathListCtrl path(nullptr);
    EXPECT_EQ(path.horizontalHeader()->sectionSize(3), 71);
}

TEST_F(VisitorListTest, SitePath)
{
    const char *saved = std::setlocale(LC_TIME, nullptr);
    const std::string previous = saved ? saved : "C";
    std::setlocale(LC_TIME, "C");
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 9;
    local.tm_hour = 15;
    local.tm_min = 7;
    local.tm_sec = 9;
    local.tm_isdst = -1;
    const std::int64_t at = std::mktime(&local);

    const std::pair<const char *, const char *> formats[] = {
        {"%#I:%M:%S %p", "3:07:09 PM"}, {"%H.%M", "15.07"}, {"%-d/%m/%Y %H:%M:%S", "9/12/2026 15:07:09"},
        {"", "3:07:09 PM"},             {"%Q", "3:07:09 PM"}, {"at %", "3:07:09 PM"}, {"%E", "3:07:09 PM"},
        {"%%", "%"},
    };
    for (const auto &[format, text] : formats)
        EXPECT_EQ(CSitePathListCtrl::FormatPageTime(at, QLatin1String(format)), QLatin1String(text)) << format;

    QString stored;
    CSitePathListCtrl path([&stored](const QString &key, const QString &fallback) {
        EXPECT_EQ(key, QStringLiteral("sitepath.timestamp.format"));
        return stored.isEmpty() ? fallback : stored;
    });
    m_now = at;
    CVisitor *v = Make("sid=1&url=u1&Title=t1&Referrer=r1&qvv!ID=p1");
    m_now += 60;
    v->AppendTracking(NameValueCollection("url=u2&Title=t2&qvv!ID=p2"));
    v->AppendTracking(NameValueCollection("url=u3&qvv!ID=p3&PageSeconds=1"));
    path.Fill(v);
    const CSitePathModel &model = *path.Model();
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(Cell(model, 0, 0), QStringLiteral("u1"));
    EXPECT_EQ(Cell(model, 0, 2), QStringLiteral("r1"));
    EXPECT_EQ(Cell(model, 0, 3), QStringLiteral("3:07:09 PM"));
    EXPECT_EQ(Cell(model, 1, 1), QStringLiteral("t2"));
    EXPECT_EQ(Cell(model, 2, 0), QStringLiteral("u3"));
    EXPECT_EQ(Cell(model, 2, 3), QStringLiteral("3:08:08 PM"));
    stored = QStringLiteral("%H:%M");
    path.Fill(v); // refilled, read anew
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(Cell(model, 2, 3), QStringLiteral("15:08"));
    path.Fill(nullptr);
    EXPECT_EQ(model.rowCount(), 0);
    std::setlocale(LC_TIME, previous.c_str());
}
