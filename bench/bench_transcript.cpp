// The chat transcript already holding 10,000 lines: the time to append one
// more, as the chat window does for each message, with and without the
// repaint of the shown control that follows it. Lines carry a time stamp, a
// name and a sentence; one in ten has an emoticon and one in ten a link, as
// a real chat does. Then a burst: a contact's 30,000 lines in 5 s, posted
// from another thread as the network thread does, into an empty shown
// transcript, with a key posted every 20 ms: how long each key waits, and
// how long after the last line the transcript has shown everything.

#include "plugins/chat/ui/ChatRTFCtrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

constexpr int kLines = 10'000;

void AddChatLine(CChatRTFCtrl &transcript, int i)
{
    QString body = QStringLiteral("Hello, I have a question about my order number %1, it did not arrive").arg(i);
    if (i % 10 == 3)
        body += QStringLiteral(" :-)");
    else if (i % 10 == 7)
        body += QStringLiteral(" see https://shop.example/orders/%1").arg(i);
    const bool visitor = i % 2 == 0;
    transcript.AddLine(QStringLiteral("12:%1").arg(i % 60, 2, 10, QLatin1Char('0')),
                       visitor ? QStringLiteral("Visitor 7") : QStringLiteral("Ann"), body, visitor);
}

// A shown transcript of the chat window's size with kLines lines, laid out
// and painted once. Each run appends to the same control, so a run of N
// iterations ends with kLines + N lines; the iteration counts are kept small
// against kLines.
CChatRTFCtrl &Transcript()
{
    static CChatRTFCtrl *transcript = [] {
        auto *made = new CChatRTFCtrl;
        made->resize(520, 360);
        made->show();
        for (int i = 0; i < kLines; ++i)
            AddChatLine(*made, i);
        QApplication::processEvents();
        return made;
    }();
    return *transcript;
}

int g_next = kLines;

void BM_Append(benchmark::State &state)
{
    CChatRTFCtrl &transcript = Transcript();
    for (auto _ : state) {
        AddChatLine(transcript, g_next++);
        benchmark::DoNotOptimize(transcript.document()->blockCount());
        // The repaint is not part of this one: it runs outside the timing.
        state.PauseTiming();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["lines"] = transcript.document()->blockCount() / 2; // a header and a body each
}

void BM_AppendAndPaint(benchmark::State &state)
{
    CChatRTFCtrl &transcript = Transcript();
    for (auto _ : state) {
        AddChatLine(transcript, g_next++);
        // The update the append posted: layout of the new line and the
        // repaint of the scrolled control.
        QApplication::processEvents();
        benchmark::DoNotOptimize(transcript.verticalScrollBar()->value());
    }
    state.counters["lines"] = transcript.document()->blockCount() / 2; // a header and a body each
}

// Records how long each posted key waited for the user-interface thread.
class KeyProbe : public QObject
{
public:
    explicit KeyProbe(const QElapsedTimer &clock) : m_clock(clock) {}
    bool event(QEvent *e) override
    {
        if (e->type() != QEvent::KeyPress)
            return QObject::event(e);
        const auto *key = static_cast<QKeyEvent *>(e);
        const std::lock_guard lock(m_lock);
        waits.push_back(double(m_clock.elapsed() - qint64(key->timestamp())));
        return true;
    }
    std::mutex m_lock;
    std::vector<double> waits; // milliseconds
private:
    const QElapsedTimer &m_clock;
};

void BM_Burst(benchmark::State &state)
{
    constexpr int kBurstLines = 30'000;
    constexpr int kBurstMs = 5'000;
    for (auto _ : state) {
        CChatRTFCtrl transcript;
        transcript.resize(520, 360);
        transcript.show();
        QApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        KeyProbe probe(clock);
        std::atomic<bool> done{false};
        std::atomic<int> shown{0};
        std::thread feeder([&] {
            int keyAtMs = 0;
            for (int i = 0; i < kBurstLines; ++i) {
                const qint64 due = qint64(i) * kBurstMs * 1000000 / kBurstLines;
                while (clock.nsecsElapsed() < due)
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                QMetaObject::invokeMethod(&transcript, [&transcript, &shown, i] {
                    AddChatLine(transcript, i);
                    shown.fetch_add(1);
                }, Qt::QueuedConnection);
                if (clock.elapsed() >= keyAtMs) {
                    keyAtMs += 20;
                    auto *key = new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
                    key->setTimestamp(quint64(clock.elapsed())); // ms on the bench's clock
                    QCoreApplication::postEvent(&probe, key);
                }
            }
            done = true;
        });
        qint64 lastLineNs = 0;
        while (!done || shown.load() < kBurstLines || transcript.PendingLines() > 0) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            if (done && lastLineNs == 0)
                lastLineNs = clock.nsecsElapsed();
        }
        QApplication::processEvents();
        const double idleAfterS = double(clock.nsecsElapsed() - lastLineNs) / 1e9;
        feeder.join();
        std::vector<double> waits = probe.waits;
        std::sort(waits.begin(), waits.end());
        state.counters["keys"] = double(waits.size());
        state.counters["key_max_ms"] = waits.empty() ? 0 : waits.back();
        state.counters["key_p99_ms"] = waits.empty() ? 0 : waits[waits.size() * 99 / 100];
        state.counters["idle_after_last_s"] = idleAfterS;
        state.counters["blocks"] = transcript.document()->blockCount();
    }
}

} // namespace

int main(int argc, char **argv)
{
    // Measures our own work, not a display server's.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Transcript();
    benchmark::RegisterBenchmark("append", BM_Append)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(300)
        ->Repetitions(3);
    benchmark::RegisterBenchmark("append+paint", BM_AppendAndPaint)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(300)
        ->Repetitions(3);
    // Past the cap the oldest lines go kTrimBlocks paragraphs at a time: 2,000
    // lines include two such drops.
    benchmark::RegisterBenchmark("append at the cap, drops included", BM_Append)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(2000);
    benchmark::RegisterBenchmark("burst", BM_Burst)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
