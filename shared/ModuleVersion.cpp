#include "shared/ModuleVersion.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLibrary>

namespace {

QVersionNumber FourNumbers(const QJsonValue &value)
{
    const QVersionNumber v = QVersionNumber::fromString(value.toString());
    return v.segmentCount() == 4 ? v : QVersionNumber();
}

// Where the build puts a deliverable's record (cmake/OstrelVersionRecord.cmake).
QString RecordPath(const QString &fileName)
{
    return QStringLiteral(":/ostrel/version/") + fileName;
}

} // namespace

bool CModuleVersion::ReadVersionInfo(const QString &module)
{
    m_fileVersion = {};
    m_productVersion = {};
    m_strings = {};

    if (module.isEmpty())
        return ReadRecord(QFileInfo(QCoreApplication::applicationFilePath()).fileName());

    // A bare file name is looked for in the program's folder first, where
    // the deliverables live.
    QString path = module;
    if (QFileInfo(module).fileName() == module) {
        const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + module;
        if (QFileInfo::exists(beside))
            path = beside;
    }
    // Loading registers the module's resources; its record is read before
    // the module is let go again.
    QLibrary library(path);
    if (!library.load())
        return false;
    const bool ok = ReadRecord(QFileInfo(library.fileName()).fileName());
    library.unload();
    return ok;
}

bool CModuleVersion::ReadRecord(const QString &fileName)
{
    if (fileName.isEmpty())
        return false;
    QFile file(RecordPath(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QJsonObject record = QJsonDocument::fromJson(file.readAll()).object();
    const QVersionNumber fileVersion = FourNumbers(record.value(QLatin1String("fileVersion")));
    const QVersionNumber productVersion = FourNumbers(record.value(QLatin1String("productVersion")));
    if (fileVersion.isNull() || productVersion.isNull())
        return false;
    m_fileVersion = fileVersion;
    m_productVersion = productVersion;
    m_strings = record.value(QLatin1String("strings")).toObject();
    return true;
}

QString CModuleVersion::GetValue(const QString &name) const
{
    return m_strings.value(name).toString();
}

QString NormalizeVersionText(const QString &text)
{
    QString out = text;
    if (out.contains(QLatin1Char('.')))
        out.replace(QLatin1String(". "), QLatin1String("."));
    else
        out.replace(QLatin1String(", "), QLatin1String("."));
    return out;
}

QString GetProgramVersion()
{
    CModuleVersion version;
    if (!version.ReadVersionInfo())
        return {};
    return NormalizeVersionText(version.GetValue(QStringLiteral("FILEVERSION")));
}
