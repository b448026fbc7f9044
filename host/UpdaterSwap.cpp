#include "host/UpdaterSwap.h"

#include "host/HostLog.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {
constexpr int kAttempts = 4;
constexpr int kPauseMs = 1000;
} // namespace

bool SwapInUpdater(const QString &folder, const std::function<void(int ms)> &sleep)
{
    const QDir dir(folder);
    const QString source = dir.filePath(QStringLiteral("qvupdate.mvx"));
    const QString target = dir.filePath(QStringLiteral("qvupdate"));
    if (!QFile::exists(source))
        return false;

    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        // rename(2) replaces the old updater in one step.
        if (std::rename(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0) {
            // A download carries no execute permission: 0755, as any
            // installed program.
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                              | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
            return true;
        }
        qCWarning(lcHost) << "cannot move" << source << "over" << target << "attempt" << attempt;
        if (attempt < kAttempts && sleep)
            sleep(kPauseMs);
    }
    return false;
}
