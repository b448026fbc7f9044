#include "skins/QVSettingsHelpers.h"
#include "shared/SettingsFile.h"

#include "skins/SkinLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QSettings>
#include <QStringList>

#include <limits>

namespace {

const char kColumnWidths[] = "ColumnWidths";

QString &storeFileOverride()
{
    static QString path;
    return path;
}

} // namespace

QString CQVSettingsHelpers::GetProfileName(const QString &section)
{
    QString path = section;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    if (path.isEmpty())
        return QString();
    return path + QLatin1Char('/');
}

void CQVSettingsHelpers::LoadState(QHeaderView *header, const QString &section)
{
    if (!header)
        return;
    auto store = OpenStore();
    if (store->status() != QSettings::NoError) {
        qCWarning(lcSkins) << "cannot read the window state from" << store->fileName();
        return;
    }
    const QString key = GetProfileName(section) + QLatin1String(kColumnWidths);
    if (!store->contains(key))
        return;
    const QStringList widths = store->value(key).toStringList();
    const int columns = std::min<qsizetype>(widths.size(), header->count());
    for (int i = 0; i < columns; ++i) {
        bool ok = false;
        const int width = widths.at(i).trimmed().toInt(&ok);
        // A width that is not a pixel count would turn into a huge column.
        if (!ok || width < 0 || width > std::numeric_limits<quint16>::max())
            continue;
        header->resizeSection(i, width);
    }
}

void CQVSettingsHelpers::SaveState(const QHeaderView *header, const QString &section)
{
    if (!header)
        return;
    QStringList widths;
    for (int i = 0; i < header->count(); ++i)
        widths.append(QString::number(header->sectionSize(i)));
    auto store = OpenStore();
    store->setValue(GetProfileName(section) + QLatin1String(kColumnWidths), widths);
    CommitStore(*store);
}

std::unique_ptr<QSettings> CQVSettingsHelpers::OpenStore()
{
    const QString &file = storeFileOverride();
    if (!file.isEmpty())
        return std::make_unique<QSettings>(file, QSettings::IniFormat);
    return std::make_unique<QSettings>(ProgramSettingsFile(), QSettings::IniFormat);
}

bool CQVSettingsHelpers::CommitStore(QSettings &store)
{
    // Created owner-only before anything is written into it; later writes keep
    // the file's permissions.
    const QString file = store.fileName();
    if (const QString problem = SettingsFileProblem(file); !problem.isEmpty()) {
        qCWarning(lcSkins).noquote() << "window state not saved:" << problem;
        return false;
    }
    if (!QFile::exists(file)) {
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile create(file);
        create.open(QIODevice::WriteOnly, QFile::ReadOwner | QFile::WriteOwner);
    }
    store.sync();
    if (store.status() != QSettings::NoError) {
        qCWarning(lcSkins) << "cannot write the window state to" << store.fileName();
        return false;
    }
    QFile::setPermissions(store.fileName(), QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

void CQVSettingsHelpers::SetStoreFile(const QString &path)
{
    storeFileOverride() = path;
}
