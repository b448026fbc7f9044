// Bus throughput beside the Qt mechanism a developer would otherwise use:
// a dispatch walk through 8 plug-ins against a signal with 8 receivers, and
// cross-thread posts against queued QMetaObject::invokeMethod calls.

#include "bus/Manager.h"
#include "bus/Payloads.h"

#include <QCoreApplication>
#include <QObject>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <thread>

using namespace QVPlugin;

namespace {

constexpr QUuid kMsg{0xBBBBBBBB, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

class CountingPlugin : public IPlugin
{
public:
    const QUuid *GetId() const override { return &m_id; }
    int GetVersion() const override { return PLUGIN_VERSION; }
    QString GetName() const override { return {}; }
    QString GetDescription() const override { return {}; }
    bool Initialize(IHost *host) override
    {
        this->host = host;
        return true;
    }
    void Uninitialize() override {}
    void Release() override { delete this; }
    int OnMessage(const QUuid &id, IMessage *in, IMessage *) override
    {
        if (id == kMsg && in)
            count += static_cast<ServerMessage *>(in)->text.size() > 0 ? 1 : 0;
        return 0;
    }
    void OnTimer(unsigned) override {}
    IHost *host = nullptr;
    long count = 0;

private:
    QUuid m_id = QUuid::createUuid();
};

ServerMessage samplePayload()
{
    return ServerMessage("Hello, how can I help you today?", "visitor-message", "session-1234");
}

class Receiver : public QObject
{
    Q_OBJECT
public:
    long count = 0;
signals:
    void message(const ServerMessage &m);
public slots:
    void onMessage(const ServerMessage &m) { count += m.text.size() > 0 ? 1 : 0; }
};

void BM_BusDispatch8(benchmark::State &state)
{
    CManager manager(QStringLiteral("/nonexistent"));
    std::vector<CountingPlugin *> plugins;
    for (int i = 0; i < 8; ++i) {
        plugins.push_back(new CountingPlugin);
        manager.AddPlugin(plugins.back(), i);
    }
    ServerMessage m = samplePayload();
    for (auto _ : state)
        benchmark::DoNotOptimize(manager.SendMessage(nullptr, kMsg, &m, nullptr));
    state.SetItemsProcessed(state.iterations());
}

void BM_QtSignal8(benchmark::State &state)
{
    Receiver sender;
    Receiver receivers[8];
    for (auto &r : receivers)
        QObject::connect(&sender, &Receiver::message, &r, &Receiver::onMessage, Qt::DirectConnection);
    ServerMessage m = samplePayload();
    for (auto _ : state)
        emit sender.message(m);
    state.SetItemsProcessed(state.iterations());
}

constexpr int kBatch = 20000;

void BM_BusPosts(benchmark::State &state)
{
    const int threads = int(state.range(0));
    CManager manager(QStringLiteral("/nonexistent"));
    auto *sender = new CountingPlugin;
    auto *receiver = new CountingPlugin;
    manager.AddPlugin(sender, 1);
    manager.AddPlugin(receiver, 2);
    for (auto _ : state) {
        receiver->count = 0;
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t)
            workers.emplace_back([&] {
                ServerMessage m = samplePayload();
                for (int i = 0; i < kBatch / threads; ++i)
                    sender->host->SendMessage(kMsg, &m, nullptr);
            });
        while (receiver->count < (kBatch / threads) * threads)
            QCoreApplication::processEvents();
        for (auto &w : workers)
            w.join();
    }
    state.SetItemsProcessed(state.iterations() * (kBatch / threads) * threads);
}

void BM_QtQueuedInvoke(benchmark::State &state)
{
    const int threads = int(state.range(0));
    Receiver receiver;
    for (auto _ : state) {
        receiver.count = 0;
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t)
            workers.emplace_back([&] {
                ServerMessage m = samplePayload();
                for (int i = 0; i < kBatch / threads; ++i)
                    QMetaObject::invokeMethod(
                        &receiver, [&receiver, m] { receiver.onMessage(m); }, Qt::QueuedConnection);
            });
        while (receiver.count < (kBatch / threads) * threads)
            QCoreApplication::processEvents();
        for (auto &w : workers)
            w.join();
    }
    state.SetItemsProcessed(state.iterations() * (kBatch / threads) * threads);
}

BENCHMARK(BM_BusDispatch8);
BENCHMARK(BM_QtSignal8);
BENCHMARK(BM_BusPosts)->Arg(1)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtQueuedInvoke)->Arg(1)->Arg(4)->UseRealTime()->Unit(benchmark::kMillisecond);

// Prints each bus figure beside its Qt baseline; with
// --benchmark_repetitions=N the medians of the N runs.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &r : runs) {
            auto it = r.counters.find("items_per_second");
            if (it == r.counters.end())
                continue;
            if (r.run_type == Run::RT_Iteration) {
                rates[r.run_name.str()] = it->second.value;
            } else if (r.aggregate_name == "median") {
                medians[r.run_name.str()] = it->second.value;
                repetitions = r.repetitions;
            }
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const std::pair<const char *, const char *> pairs[] = {
            {"BM_BusDispatch8", "BM_QtSignal8"},
            {"BM_BusPosts/1/real_time", "BM_QtQueuedInvoke/1/real_time"},
            {"BM_BusPosts/4/real_time", "BM_QtQueuedInvoke/4/real_time"},
        };
        std::map<std::string, double> &figures = medians.empty() ? rates : medians;
        if (medians.empty())
            std::printf("\none run each (--benchmark_repetitions=N for medians)");
        else
            std::printf("\nmedians of %lld runs each", static_cast<long long>(repetitions));
        std::printf("\n%-28s %16s %16s %8s\n", "case", "bus msg/s", "Qt msg/s", "bus/Qt");
        for (auto [bus, qt] : pairs) {
            if (!figures.count(bus) || !figures.count(qt))
                continue;
            std::printf("%-28s %16.0f %16.0f %8.2f\n", bus, figures[bus], figures[qt], figures[bus] / figures[qt]);
        }
    }
    std::map<std::string, double> rates;
    std::map<std::string, double> medians;
    int64_t repetitions = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

#include "bench_bus.moc"
