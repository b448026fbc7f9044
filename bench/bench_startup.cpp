// Start-up: the time from starting the program until its login dialog is
// first painted, warm (one start first that is not counted), the median and
// range of the starts. The program runs as the agent starts it, on a scratch
// configuration with a server filled in, and tells the moment through its
// host logging category's debug line; it is stopped there.
//
// Usage: bench_startup [starts (10)] [program (the Ostrel built beside this)]
// QT_QPA_PLATFORM is offscreen unless set (e.g. xcb under xvfb-run).

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr char kShownLine[] = "login dialog painted";

// A fresh home for one start: configuration with a server, data and a
// private runtime folder, so no earlier start's single-instance lock is seen.
bool MakeHome(const QString &root)
{
    QDir dir(root);
    if (!dir.mkpath(QStringLiteral("config/Quelvar")) || !dir.mkpath(QStringLiteral("data"))
        || !dir.mkpath(QStringLiteral("runtime")))
        return false;
    QFile::setPermissions(dir.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile conf(dir.filePath(QStringLiteral("config/Quelvar/Quelvar.conf")));
    if (!conf.open(QIODevice::WriteOnly))
        return false;
    conf.write("[Values]\nserver.address=127.0.0.1:5222\nserver.username=agent@localhost\n");
    return true;
}

// Milliseconds until the line came, or nothing when it did not in time.
std::optional<double> StartOnce(const QString &program)
{
    QTemporaryDir home;
    if (!home.isValid() || !MakeHome(home.path()))
        return std::nullopt;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    if (env.value(QStringLiteral("QT_QPA_PLATFORM")).isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("ostrel.host.debug=true"));

    QProcess process;
    process.setProcessEnvironment(env);
    process.setProgram(program);
    QElapsedTimer clock;
    QByteArray err;
    std::optional<double> shown;
    QObject::connect(&process, &QProcess::readyReadStandardError, [&] {
        err += process.readAllStandardError();
        if (!shown && err.contains(kShownLine))
            shown = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    });
    clock.start();
    process.start();
    const QDeadlineTimer deadline(30000);
    while (!shown && process.state() != QProcess::NotRunning && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
    process.kill();
    process.waitForFinished(5000);
    if (!shown)
        std::fprintf(stderr, "no login dialog; the program said:\n%s\n", err.constData());
    return shown;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const QString program = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(OSTREL_BINARY);

    if (!StartOnce(program)) // warms the disk cache; not counted
        return 1;
    std::vector<double> ms;
    for (int i = 0; i < starts; ++i) {
        const std::optional<double> t = StartOnce(program);
        if (!t)
            return 1;
        ms.push_back(*t);
        std::printf("start %2d: %7.1f ms\n", i + 1, *t);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("start to login dialog painted, %d warm starts (%s): median %.1f ms, min %.1f, max %.1f\n", starts,
                qPrintable(qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("offscreen"))), ms[ms.size() / 2],
                ms.front(), ms.back());
    return 0;
}
