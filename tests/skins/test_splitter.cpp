#include "StoreFixture.h"

#include "skins/QVSplitter.h"
#include "tests/TestUtil.h"

#include <QApplication>
#include <QMouseEvent>
#include <QElapsedTimer>
#include <QSplitterHandle>
#include <QTabWidget>
#include <QTextEdit>

#include <memory>
#include <vector>

namespace {

const QString kBar = QStringLiteral("Tessary\\Bar");
const QString kBarKey = QStringLiteral("Tessary/Bar/Splitter-59648/");

std::vector<int> paneSizes(const CQVSplitter &s)
{
    std::vector<int> sizes;
    for (int i = 0; i < s.count(); ++i) {
        const QRect g = s.widget(i)->geometry();
        sizes.push_back(s.orientation() == Qt::Vertical ? g.height() : g.width());
    }
    return sizes;
}

// A pane that asks for more room than the splitter gives it, so that any use
// of QSplitter's own sizing, which honours the hint, would show.
class GreedyPane : public QTextEdit
{
public:
    QSize minimumSizeHint() const override { return QSize(150, 150); }
    QSize sizeHint() const override { return QSize(300, 300); }
};

// A splitter with panes of (ideal, minimum) and bars of the given width,
// shown in a window as the panes that use it do (a top-level splitter would
// be held at its panes' minimum size hints).
struct Host
{
    Host(const QString &section, Qt::Orientation orientation, int id, std::vector<std::pair<int, int>> panes,
         QSize size, int bar)
        : s(new CQVSplitter(section, orientation, &window, id))
    {
        s->setFrameShape(QFrame::NoFrame);
        s->setHandleWidth(bar);
        for (size_t i = 0; i < panes.size(); ++i) {
            s->addWidget(new GreedyPane);
            s->SetPaneInfo(int(i), panes[i].first, panes[i].second);
        }
        window.resize(size);
        s->setGeometry(QRect(QPoint(0, 0), size));
        window.show();
    }

    QWidget window;
    CQVSplitter *s;
};

// The plug-in bar's splitter: three rows of 100, at least 50 each, 5-pixel
// bars, 320 high.
std::unique_ptr<Host> makeBar()
{
    return std::make_unique<Host>(kBar, Qt::Vertical, 59648, std::vector<std::pair<int, int>>(3, {100, 50}),
                                  QSize(200, 320), 5);
}

// Drags the bar below pane `pane` by dy pixels, as the window system would:
// the local position follows the handle while it moves.
void dragBar(CQVSplitter &s, int pane, int dy)
{
    QSplitterHandle *h = s.handle(pane + 1);
    const QPoint from = h->mapToGlobal(QPoint(h->width() / 2, h->height() / 2));
    const auto mouse = [h](QEvent::Type type, QPoint global, Qt::MouseButtons buttons) {
        QMouseEvent e(type, h->mapFromGlobal(global), global, Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(h, &e);
    };
    mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
    mouse(QEvent::MouseMove, from + QPoint(0, dy / 2), Qt::LeftButton);
    mouse(QEvent::MouseMove, from + QPoint(0, dy), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, from + QPoint(0, dy), Qt::NoButton);
}

} // namespace

using Splitter = StoreTest;

TEST_F(Splitter, FitsPanesExactlyAndGivesResizesToTheLastPane)
{
    auto host = makeBar();
    CQVSplitter &s = *host->s;
    EXPECT_EQ(paneSizes(s), (std::vector<int>{100, 100, 110}));
    EXPECT_EQ(s.widget(1)->y(), 105);
    EXPECT_EQ(s.handle(2)->geometry(), QRect(0, 205, 200, 5));

    s.resize(200, 420);
    EXPECT_EQ(paneSizes(s), (std::vector<int>{100, 100, 210}));
    s.resize(200, 200);
    EXPECT_EQ(paneSizes(s), (std::vector<int>{90, 50, 50}));
}

TEST_F(Splitter, DragTakesFromTheLastPaneFirstAndStopsAtTheMinimums)
{
    auto host = makeBar();
    CQVSplitter &s = *host->s;
    const struct
    {
        int bar, dy;
        std::vector<int> sizes;
    } drags[] = {
        {0, 30, {130, 100, 80}},   // the last row gives first
        {0, 50, {180, 80, 50}},    // then the middle one
        {0, 500, {210, 50, 50}},   // both at their minimums
        {1, -500, {210, 50, 50}},  // the middle row is at its minimum
        {0, -500, {50, 50, 210}},  // the first row at its minimum, the rest to the last
    };
    for (const auto &d : drags) {
        dragBar(s, d.bar, d.dy);
        EXPECT_EQ(paneSizes(s), d.sizes) << "bar " << d.bar << " by " << d.dy;
    }
}

TEST_F(Splitter, SizesAreRestoredAfterTheWidgetIsRecreated)
{
    {
        auto host = makeBar();
        dragBar(*host->s, 0, 30);
        dragBar(*host->s, 1, -20);
        EXPECT_EQ(paneSizes(*host->s), (std::vector<int>{130, 80, 100}));
    }
    EXPECT_EQ(Store()->value(kBarKey + "Pane-0-Current").toInt(), 130);
    EXPECT_EQ(Store()->value(kBarKey + "Pane-2-Min").toInt(), 50);
    {
        // A splitter that was never laid out must not overwrite the sizes.
        CQVSplitter hidden(kBar, Qt::Vertical);
        hidden.addWidget(new QTextEdit);
        hidden.addWidget(new QTextEdit);
        hidden.SetPaneInfo(0, 100, 50);
    }
    EXPECT_EQ(paneSizes(*makeBar()->s), (std::vector<int>{130, 80, 100}));
}

TEST_F(Splitter, StoredMinimumOfZeroKeepsThePaneCollapsed)
{
    const QString key = QStringLiteral("Tessary/VisitorChatPane/Splitter-110/");
    Store()->setValue(key + "Pane-0-Min", 0);
    Store()->setValue(key + "Pane-0-Current", 450);

    Host host(QStringLiteral("Tessary\\VisitorChatPane"), Qt::Horizontal, 110, {{500, 380}, {200, 200}},
           QSize(1000, 300), 4);
    EXPECT_EQ(paneSizes(*host.s), (std::vector<int>{0, 996}));

    // Opening the column again, as the visitor chat pane does.
    host.s->SetPaneInfo(0, 450, 380);
    host.s->RecalcLayout();
    EXPECT_EQ(paneSizes(*host.s), (std::vector<int>{450, 546}));
}

TEST_F(Splitter, NegativeStoredSizesAreIgnored)
{
    Store()->setValue(kBarKey + "Pane-0-Min", -3);
    Store()->setValue(kBarKey + "Pane-0-Current", -50);
    Store()->setValue(kBarKey + "Pane-1-Current", QStringLiteral("wide"));
    Store()->setValue(kBarKey + "Pane-1-Min", 60);

    auto host = makeBar();
    int ideal = 0, minimum = 0;
    host->s->GetPaneInfo(0, ideal, minimum);
    EXPECT_EQ(std::make_pair(ideal, minimum), std::make_pair(100, 50));
    host->s->GetPaneInfo(1, ideal, minimum);
    EXPECT_EQ(std::make_pair(ideal, minimum), std::make_pair(100, 60));
}

// A tab widget asks its parent to lay out again whenever it is resized; were
// the splitter to move its panes on every such request, it would never rest.
TEST_F(Splitter, ShownSplitterSettlesAfterOneLayout)
{
    EventCounter requests(QEvent::LayoutRequest);

    QWidget window;
    auto *s = new CQVSplitter(kBar, Qt::Vertical, &window);
    s->setHandleWidth(5);
    for (int i = 0; i < 2; ++i) {
        auto *tabs = new QTabWidget;
        tabs->addTab(new GreedyPane, QStringLiteral("Tab"));
        s->addWidget(tabs);
        s->SetPaneInfo(i, 100, 50);
    }
    window.resize(200, 320);
    s->setGeometry(0, 0, 200, 320);
    window.show();
    QApplication::processEvents();
    QApplication::processEvents();

    s->installEventFilter(&requests);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 100)
        QApplication::processEvents();
    EXPECT_EQ(requests.count, 0);
    EXPECT_EQ(paneSizes(*s), (std::vector<int>{100, 215}));
}
