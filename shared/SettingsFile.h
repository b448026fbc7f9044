#pragma once
// The program's one settings file: configuration values (group "Values") and
// window state (one group per window). It may hold the remembered password.

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>

inline QString ProgramSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Quelvar/Quelvar.conf");
}

// Why the settings file must not be written, or empty when it may: a file
// that could not be read would be rewritten with only this run's values,
// and anything but a regular file is not ours to touch.
inline QString SettingsFileProblem(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
    if (!info.isFile())
        return QStringLiteral("%1 is not a regular file").arg(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
    return {};
}
