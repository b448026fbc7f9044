#include "../TestUtil.h"

#include "host/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr int kStartTimeoutMs = 30000;

// The program, offscreen, with its runtime, settings and data folders in dir.
void Prepare(QProcess &process, const QTemporaryDir &dir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    process.setProcessEnvironment(env);
    process.setProgram(QStringLiteral(OSTREL_PROGRAM_DIR "/Ostrel"));
    process.setProcessChannelMode(QProcess::MergedChannels);
}

} // namespace

// Two copies of the program: the second hands over to the first and ends.
TEST(SecondStart, BetweenTwoCopiesOfTheProgram)
{
    QTemporaryDir dir;
    QProcess first;
    Prepare(first, dir);
    first.start();
    // Listening means the first copy holds the instance.
    const QString socket = CSingleInstance(dir.path()).SocketName();
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(socket) || first.state() == QProcess::NotRunning; },
                          kStartTimeoutMs));
    ASSERT_EQ(first.state(), QProcess::Running) << first.readAll().toStdString();

    QProcess second;
    Prepare(second, dir);
    second.start();
    ASSERT_TRUE(waitUntil([&] { return second.state() == QProcess::NotRunning; }, kStartTimeoutMs));
    EXPECT_EQ(second.exitCode(), 0);

    QByteArray output;
    EXPECT_TRUE(waitUntil(
        [&] {
            output += first.readAll();
            return output.contains("a later start brought the frame forward");
        },
        kStartTimeoutMs))
        << output.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished();
}
