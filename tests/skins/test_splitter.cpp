#include "StoreFixture.h"

#include "skins/QVSplitter.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSplitterHandle>
#include <QTextEdit>

#include <memory>
#include <vector>

namespace {

const QString kBar = QStringLiteral("Tessary\\Bar");
const QString kChatPane = QStringLiteral("Tessary\\VisitorChatPane");

// A window holding one splitter, as the panes that use it do.
struct Host
{
    explicit Host(CQVSplitter *s) : splitter(s)
    {
        splitter->setParent(&window);
        splitter->setFrameShape(QFrame::NoFrame);
    }
    void show(QSize size)
    {
        window.resize(size);
        splitter->setGeometry(QRect(QPoint(0, 0), size));
        window.show();
    }

    QWidget window;
    CQVSplitter *splitter;
};

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

// The plug-in bar's splitter: three rows of 100, at least 50 each, 5-pixel
// bars, 320 high.
std::unique_ptr<Host> makeBar()
{
    auto host = std::make_unique<Host>(new CQVSplitter(kBar, Qt::Vertical));
    CQVSplitter &s = *host->splitter;
    s.setHandleWidth(5);
    for (int i = 0; i < 3; ++i) {
        s.addWidget(new GreedyPane);
        s.SetPaneInfo(i, 100, 50);
    }
    host->show(QSize(200, 320));
    return host;
}

// Sends a mouse event at a global point, as the window system would: the
// local position follows the handle while it moves.
void mouse(QWidget *w, QEvent::Type type, QPoint global, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, w->mapFromGlobal(global), global, Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// Drags the bar below pane `pane` by dy pixels.
void dragBar(CQVSplitter &s, int pane, int dy)
{
    QSplitterHandle *h = s.handle(pane + 1);
    const QPoint from = h->mapToGlobal(QPoint(h->width() / 2, h->height() / 2));
    mouse(h, QEvent::MouseButtonPress, from, Qt::LeftButton);
    mouse(h, QEvent::MouseMove, from + QPoint(0, dy / 2), Qt::LeftButton);
    mouse(h, QEvent::MouseMove, from + QPoint(0, dy), Qt::LeftButton);
    mouse(h, QEvent::MouseButtonRelease, from + QPoint(0, dy), Qt::NoButton);
}

} // namespace

using Splitter = StoreTest;

TEST_F(Splitter, SectionNameJoinsProfilePathAndControlId)
{
    CQVSplitter bar(kBar, Qt::Vertical);
    EXPECT_EQ(bar.GetSectionName(kBar), QStringLiteral("Tessary/Bar/Splitter-59648"));
    CQVSplitter pane(kChatPane, Qt::Horizontal, nullptr, 110);
    EXPECT_EQ(pane.GetSectionName(kChatPane), QStringLiteral("Tessary/VisitorChatPane/Splitter-110"));
    EXPECT_EQ(pane.objectName(), QStringLiteral("c110"));
}

TEST_F(Splitter, FitsPanesExactlyAndGivesResizesToTheLastPane)
{
    auto host = makeBar();
    CQVSplitter &s = *host->splitter;
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
    CQVSplitter &s = *host->splitter;
    dragBar(s, 0, 30);
    EXPECT_EQ(paneSizes(s), (std::vector<int>{130, 100, 80}));
    dragBar(s, 0, 50);
    EXPECT_EQ(paneSizes(s), (std::vector<int>{180, 80, 50}));
    dragBar(s, 0, 500);
    EXPECT_EQ(paneSizes(s), (std::vector<int>{210, 50, 50}));
    dragBar(s, 1, -500);
    EXPECT_EQ(paneSizes(s), (std::vector<int>{210, 50, 50}));
    dragBar(s, 0, -500);
    EXPECT_EQ(paneSizes(s), (std::vector<int>{50, 50, 210}));
}

TEST_F(Splitter, SizesAreRestoredAfterTheWidgetIsRecreated)
{
    {
        auto host = makeBar();
        dragBar(*host->splitter, 0, 30);
        dragBar(*host->splitter, 1, -20);
        EXPECT_EQ(paneSizes(*host->splitter), (std::vector<int>{130, 80, 100}));
    }
    auto store = Store();
    EXPECT_EQ(store->value(QStringLiteral("Tessary/Bar/Splitter-59648/Pane-0-Current")).toInt(), 130);
    EXPECT_EQ(store->value(QStringLiteral("Tessary/Bar/Splitter-59648/Pane-2-Min")).toInt(), 50);

    auto again = makeBar();
    EXPECT_EQ(paneSizes(*again->splitter), (std::vector<int>{130, 80, 100}));
}

TEST_F(Splitter, StoredMinimumOfZeroKeepsThePaneCollapsed)
{
    auto store = Store();
    store->setValue(QStringLiteral("Tessary/VisitorChatPane/Splitter-110/Pane-0-Min"), 0);
    store->setValue(QStringLiteral("Tessary/VisitorChatPane/Splitter-110/Pane-0-Current"), 450);
    store->sync();

    Host host(new CQVSplitter(kChatPane, Qt::Horizontal, nullptr, 110));
    CQVSplitter &s = *host.splitter;
    s.setHandleWidth(4);
    s.addWidget(new GreedyPane);
    s.addWidget(new GreedyPane);
    s.SetPaneInfo(0, 500, 380);
    s.SetPaneInfo(1, 200, 200);
    host.show(QSize(1000, 300));
    EXPECT_EQ(paneSizes(s), (std::vector<int>{0, 996}));

    // Opening the column again, as the visitor chat pane does.
    s.SetPaneInfo(0, 450, 380);
    s.RecalcLayout();
    EXPECT_EQ(paneSizes(s), (std::vector<int>{450, 546}));
}

TEST_F(Splitter, NegativeStoredSizesAreIgnored)
{
    auto store = Store();
    store->setValue(QStringLiteral("Tessary/Bar/Splitter-59648/Pane-0-Min"), -3);
    store->setValue(QStringLiteral("Tessary/Bar/Splitter-59648/Pane-0-Current"), -50);
    store->setValue(QStringLiteral("Tessary/Bar/Splitter-59648/Pane-1-Current"), QStringLiteral("wide"));
    store->setValue(QStringLiteral("Tessary/Bar/Splitter-59648/Pane-1-Min"), 60);
    store->sync();

    auto host = makeBar();
    int ideal = 0, minimum = 0;
    host->splitter->GetPaneInfo(0, ideal, minimum);
    EXPECT_EQ(ideal, 100);
    EXPECT_EQ(minimum, 50);
    host->splitter->GetPaneInfo(1, ideal, minimum);
    EXPECT_EQ(ideal, 100);
    EXPECT_EQ(minimum, 60);
}

TEST_F(Splitter, SplitterNeverLaidOutKeepsTheStoredSizes)
{
    auto store = Store();
    store->setValue(QStringLiteral("Tessary/Bar/Splitter-59648/Pane-0-Current"), 170);
    store->sync();
    {
        CQVSplitter hidden(kBar, Qt::Vertical);
        hidden.addWidget(new QTextEdit);
        hidden.addWidget(new QTextEdit);
        hidden.SetPaneInfo(0, 100, 50);
    }
    EXPECT_EQ(Store()->value(QStringLiteral("Tessary/Bar/Splitter-59648/Pane-0-Current")).toInt(), 170);
}
