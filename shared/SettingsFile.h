#pragma once
// The program's one settings file: configuration values (group "Values") and
// window state (one group per window). It may hold the remembered password.

#include <QStandardPaths>
#include <QString>

inline QString ProgramSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Quelvar/Quelvar.conf");
}
