// The chat transcript already holding 10,000 lines: the time to append one
// more, as the chat window does for each message, with and without the
// repaint of the shown control that follows it. Lines carry a time stamp, a
// name and a sentence; one in ten has an emoticon and one in ten a link, as
// a real chat does.

#include "plugins/chat/ui/ChatRTFCtrl.h"

#include <QApplication>
#include <QScrollBar>

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
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
