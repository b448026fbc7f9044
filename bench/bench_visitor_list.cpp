// The visitor list with 10,000 visitors of 20 page records each: the time
// to fill it, and the user-interface thread's time per once-a-second
// refresh and per blink, each including the repaint of a shown list. Beside
// it runs a list that works the way a list control does: every cell set on
// its own, each update finding its row by a linear search.

#include "plugins/chat/ui/VisitorListCtrl.h"
#include "skins/QVSettingsHelpers.h"

#include <QApplication>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <map>

namespace {

constexpr int kVisitors = 10'000;
constexpr int kRecords = 20;
std::int64_t g_now = 1'700'000'000;

CVisitor::Clock Clock()
{
    return [] { return g_now; };
}

// The visitors, made once: one in twenty asks for a chat, one chats while
// also waiting, one chats; the rest browse.
const std::vector<std::unique_ptr<CVisitor>> &Visitors()
{
    static const std::vector<std::unique_ptr<CVisitor>> visitors = [] {
        std::vector<std::unique_ptr<CVisitor>> made;
        const QVPlugin::Jid agent(QStringLiteral("agent@chat.example/desk"));
        for (int i = 0; i < kVisitors; ++i) {
            const QByteArray n = QByteArray::number(i);
            auto v = std::make_unique<CVisitor>(
                std::make_unique<NameValueCollection>("sid=S" + n + "&qvvVID=Visitor+" + n + "&REMOTE_ADDR=10.0.0.1"),
                agent, Clock());
            for (int r = 0; r < kRecords; ++r) {
                const QByteArray page = QByteArray::number(r);
                v->AppendTracking(NameValueCollection("url=http%3A%2F%2Fshop.example%2Fp" + page + "&Title=Page+" + page
                                                      + "&qvv!ID=" + n + "-" + page));
            }
            switch (i % 20) {
            case 0: v->SetState(8); v->SetChatRequested(30); break;
            case 1: v->SetState(6); v->SetChatRequested(60); break;
            case 2: v->SetState(6); break;
            default: break;
            }
            made.push_back(std::move(v));
        }
        return made;
    }();
    return visitors;
}

// A list control's way: texts stored per cell, each set announced on its
// own, rows found by a walk over the list.
class NaiveVisitorList : public QAbstractTableModel
{
public:
    void AddVisitor(const CVisitor *v)
    {
        const int row = int(m_rows.size());
        beginInsertRows(QModelIndex(), row, row);
        m_rows.push_back(Row{v, {}, 0});
        endInsertRows();
        SetText(row, 1, v->displayName());
        SetText(row, 2, v->department());
        UpdateVisitor(v, false);
    }
    void UpdateVisitor(const CVisitor *v, bool timesOnly)
    {
        int row = -1;
        for (int i = 0; i < int(m_rows.size()); ++i) {
            if (m_rows[size_t(i)].visitor == v) {
                row = i;
                break;
            }
        }
        if (row < 0)
            return;
        const std::int64_t now = g_now;
        SetText(row, 7, CVisitorListModel::FormatDuration(now - v->onSiteSince()));
        SetText(row, 8, v->chatRequested() ? CVisitorListModel::FormatDuration(now - v->chatRequestedAt()) : QString());
        SetText(row, 3, v->StateLabel());
        if (!timesOnly) {
            SetText(row, 9, v->agents());
            SetText(row, 2, v->department());
        }
        if (!v->Tracking().empty()) {
            if (!timesOnly) {
                SetText(row, 6, v->Tracking().back().url);
                SetText(row, 5, v->Tracking().back().title);
            }
            SetText(row, 4, CVisitorListModel::FormatDuration(now - v->Tracking().back().time));
        }
        if (!timesOnly) {
            SetImage(row, CVisitorListModel::StateImage(v->state()));
            SetText(row, 1, v->displayName());
        }
    }
    void Blink()
    {
        for (int row = int(m_rows.size()) - 1; row >= 0; --row) {
            const Row &r = m_rows[size_t(row)];
            const int state = r.visitor->state();
            if (state == 8)
                SetImage(row, r.image + 1 > 4 || r.image + 1 < 3 ? 3 : r.image + 1);
            else if (state == 6 && r.visitor->chatRequested())
                SetImage(row, r.image + 1 > 8 || r.image + 1 < 5 ? 5 : r.image + 1);
            else if (state == 6)
                SetImage(row, 5);
        }
    }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override { return parent.isValid() ? 0 : int(m_rows.size()); }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override { return parent.isValid() ? 0 : 10; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        const Row &r = m_rows[size_t(index.row())];
        if (role == Qt::DisplayRole)
            return r.texts[size_t(index.column())];
        if (role == Qt::DecorationRole && index.column() == 0)
            return CVisitorListModel::Picture(r.image);
        return {};
    }

private:
    struct Row
    {
        const CVisitor *visitor;
        std::array<QString, 10> texts;
        int image;
    };
    void SetText(int row, int column, const QString &text)
    {
        m_rows[size_t(row)].texts[size_t(column)] = text;
        emit dataChanged(index(row, column), index(row, column));
    }
    void SetImage(int row, int image)
    {
        m_rows[size_t(row)].image = image;
        emit dataChanged(index(row, 0), index(row, 0));
    }

    std::vector<Row> m_rows;
};

// The shown list of either kind.
struct OursList
{
    CVisitorListCtrl view{Clock()};
    void Add(const CVisitor *v) { view.AddVisitor(v); }
    void Refresh() { view.RefreshTimes(); }
    void Blink() { view.Model()->Blink(); }
};

struct NaiveList
{
    NaiveList()
    {
        view.setModel(&model);
        view.setSelectionBehavior(QAbstractItemView::SelectRows);
        view.verticalHeader()->hide();
        view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    }
    QTableView view;
    NaiveVisitorList model;
    void Add(const CVisitor *v) { model.AddVisitor(v); }
    // The router walks its visitors and updates each row's times.
    void Refresh()
    {
        for (const auto &v : Visitors())
            model.UpdateVisitor(v.get(), true);
    }
    void Blink() { model.Blink(); }
};

// Lets the shown list lay out and paint what the last step changed.
void Paint()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

template <class List>
void Show(List &list)
{
    list.view.resize(1200, 800);
    list.view.show();
    Paint();
}

template <class List>
void Populate(List &list)
{
    Show(list);
    for (const auto &v : Visitors())
        list.Add(v.get());
    Paint();
}

template <class List>
void BM_Fill(benchmark::State &state)
{
    const auto &visitors = Visitors();
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<List>();
        Show(*list);
        state.ResumeTiming();
        for (const auto &v : visitors)
            list->Add(v.get());
        Paint();
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
}

template <class List>
void BM_Refresh(benchmark::State &state)
{
    List list;
    Populate(list);
    for (auto _ : state) {
        ++g_now;
        list.Refresh();
        Paint();
    }
}

template <class List>
void BM_Blink(benchmark::State &state)
{
    List list;
    Populate(list);
    for (auto _ : state) {
        list.Blink();
        Paint();
    }
}

// Prints ours and the naive way side by side at the end.
class SideBySideReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            // With repetitions, the mean stands for the case.
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "mean")
                continue;
            ms[r.run_name.function_name] = r.GetAdjustedRealTime() * ToMs(r.time_unit);
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\n%d visitors, %d records each (milliseconds of the user-interface thread)\n", kVisitors, kRecords);
        std::printf("naive: a list control's way, texts stored per cell, each set announced on its own and\n"
                    "rows found by a linear search over the list (not by an index, which would narrow the ratio)\n");
        std::printf("%-10s %12s %12s %10s\n", "case", "ours", "naive", "naive/ours");
        for (const char *name : {"fill", "refresh", "blink"}) {
            const std::string ours = std::string(name) + "/ours", naive = std::string(name) + "/naive";
            if (!ms.count(ours) || !ms.count(naive))
                continue;
            std::printf("%-10s %12.3f %12.3f %10.1f\n", name, ms[ours], ms[naive], ms[naive] / ms[ours]);
        }
    }

private:
    static double ToMs(benchmark::TimeUnit unit)
    {
        switch (unit) {
        case benchmark::kNanosecond: return 1e-6;
        case benchmark::kMicrosecond: return 1e-3;
        case benchmark::kMillisecond: return 1.0;
        default: return 1e3;
        }
    }
    std::map<std::string, double> ms;
};

} // namespace

int main(int argc, char **argv)
{
    // Measures our own work, not a display server's.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The lists keep their column widths; not in the agent's own settings.
    QTemporaryDir state;
    CQVSettingsHelpers::SetStoreFile(state.filePath(QStringLiteral("state.ini")));
    Visitors();
    benchmark::RegisterBenchmark("fill/ours", BM_Fill<OursList>)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("fill/naive", BM_Fill<NaiveList>)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("refresh/ours", BM_Refresh<OursList>)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("refresh/naive", BM_Refresh<NaiveList>)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("blink/ours", BM_Blink<OursList>)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("blink/naive", BM_Blink<NaiveList>)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    SideBySideReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
