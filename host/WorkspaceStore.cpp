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

bool CWorkspaceStore::Writable()
{
    if (const QString problem = SettingsFileProblem(m_fileName); !problem.isEmpty()) {
        qCWarning(lcHost).noquote() << "window state not saved:" << problem;
        return false;
    }
    SecureFile(m_fileName);
    return true;
}

void CWorkspaceStore::Save(const QString &section, const QByteArray &state, const QByteArray &geometry)
{
    if (!Writable())
        return;
    QSettings settings(m_fileName, QSettings::IniFormat);
    settings.remove(section + kState);
    settings.remove(section + kGeometry);
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

void CWorkspaceStore::SaveValue(const QString &section, const QString &key, const QByteArray &value)
{
    if (!Writable())
        return;
    QSettings settings(m_fileName, QSettings::IniFormat);
    settings.setValue(section + QLatin1Char('/') + key, value);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        qCWarning(lcHost) << "cannot write the window state to" << m_fileName;
}

QByteArray CWorkspaceStore::Value(const QString &section, const QString &key) const
{
    const QVariant value = QSettings(m_fileName, QSettings::IniFormat).value(section + QLatin1Char('/') + key);
    // Anything but text (a list, a number) is no saved state of ours.
    return value.typeId() == QMetaType::QByteArray || value.typeId() == QMetaType::QString ? value.toByteArray()
                                                                                          : QByteArray();
}
