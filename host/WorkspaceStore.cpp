#include "host/WorkspaceStore.h"

#include "bus/RegSettingsStoragePlugin.h"
#include "host/HostLog.h"
#include "shared/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString kState = QStringLiteral("/State");
const QString kGeometry = QStringLiteral("/Geometry");

void SecureFile(const QString &fileName)
{
    QFile file(fileName);
    if (file.exists())
        return;
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace

CWorkspaceStore::CWorkspaceStore(const QString &fileName)
    : m_fileName(fileName.isEmpty() ? QVPlugin::CRegSettingsStoragePlugin::DefaultFileName() : fileName)
{
}

void CWorkspaceStore::Save(const QString &section, const QByteArray &state, const QByteArray &geometry)
{
    if (const QString problem = SettingsFileProblem(m_fileName); !problem.isEmpty()) {
        qCWarning(lcHost).noquote() << "window state not saved:" << problem;
        return;
    }
    SecureFile(m_fileName);
    QSettings settings(m_fileName, QSettings::IniFormat);
    settings.remove(section);
    settings.setValue(section + kState, state);
    if (!geometry.isEmpty())
        settings.setValue(section + kGeometry, geometry);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        qCWarning(lcHost) << "cannot write the window state to" << m_fileName;
}

QByteArray CWorkspaceStore::State(const QString &section) const
{
    return QSettings(m_fileName, QSettings::IniFormat).value(section + kState).toByteArray();
}

QByteArray CWorkspaceStore::Geometry(const QString &section) const
{
    return QSettings(m_fileName, QSettings::IniFormat).value(section + kGeometry).toByteArray();
}
