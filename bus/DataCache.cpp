#include "bus/DataCache.h"

#include "bus/BusLog.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "shared/Md5.h"
#include "shared/ModuleVersion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
#include <cstring>

namespace QVPlugin {

namespace {

QString TypeFolder(int type)
{
    switch (static_cast<unsigned>(type)) {
    case DataInfo::Local:
        return QStringLiteral("Local/");
    case DataInfo::Server:
        return QStringLiteral("Server/");
    case DataInfo::Shared:
        return QStringLiteral("Shared/");
    case DataInfo::Download:
        return QStringLiteral("Download/");
    default:
        return {};
    }
}

// One path component that stays where it is put. Backslashes are refused
// too: the server may think of them as separators.
bool IsSafeComponent(const QString &part, bool mayBeEmpty)
{
    if (part.isEmpty())
        return mayBeEmpty;
    if (part == QLatin1String(".") || part == QLatin1String(".."))
        return false;
    return !part.contains(QLatin1Char('/')) && !part.contains(QLatin1Char('\\'))
        && !part.contains(QChar(0));
}

DataInfo *AsDataInfo(IMessage *in)
{
    if (!in || qstrcmp(in->GetTypeName(), "DataInfo") != 0)
        return nullptr;
    return static_cast<DataInfo *>(in);
}

} // namespace

CDataCache::CDataCache(CManager *manager, QString baseFolder)
    : m_manager(manager), m_baseFolder(std::move(baseFolder))
{
}

QString CDataCache::DefaultBaseFolder()
{
    CModuleVersion version;
    if (!version.ReadVersionInfo())
        return {};
    const QString company = version.GetValue(QStringLiteral("CompanyName"));
    const QString product = version.GetValue(QStringLiteral("ProductName"));
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!IsSafeComponent(company, false) || !IsSafeComponent(product, false) || dataHome.isEmpty())
        return {};
    const QVersionNumber v = version.ProductVersion();
    return QStringLiteral("%1/%2/%3/%4.%5")
        .arg(dataHome, company, product)
        .arg(v.majorVersion())
        .arg(v.minorVersion());
}

QString CDataCache::FilePath(const DataInfo &info) const
{
    if (m_baseFolder.isEmpty() || !IsSafeComponent(info.account, true) || !IsSafeComponent(info.name, false))
        return {};
    return QDir::cleanPath(m_baseFolder + QLatin1Char('/') + TypeFolder(info.type) + info.account
                           + QLatin1Char('/') + info.name);
}

int CDataCache::Load(DataInfo &info) const
{
    const QString path = FilePath(info);
    if (path.isEmpty())
        return -1;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const qint64 size = file.size();
    const QByteArray bytes = file.readAll();
    if (bytes.size() != size)
        return -2;
    info.data.assign(bytes.constData(), size_t(bytes.size()));
    info.hash = Md5Hex(info.data);
    return 1;
}

int CDataCache::Save(const DataInfo &info) const
{
    const QString path = FilePath(info);
    if (path.isEmpty())
        return -2;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    bool saved = file.open(QIODevice::WriteOnly);
    errno = 0;
    // Qt's commit does not see a failed flush of its buffer: a full disk
    // would leave a cut copy in place of the old one.
    if (saved
        && (file.write(info.data.data(), qint64(info.data.size())) != qint64(info.data.size()) || !file.flush())) {
        // The system's reason: Qt's text of a failed flush has lost it, and
        // cancelling puts its own in its place.
        const int error = errno;
        const QString reason = error ? QString::fromLocal8Bit(std::strerror(error)) : file.errorString();
        file.cancelWriting();
        return NotSaved(path, reason);
    }
    if (!saved || !file.commit())
        return NotSaved(path, file.errorString());
    return 1;
}

int CDataCache::NotSaved(const QString &path, const QString &reason) const
{
    qCWarning(lcBus) << "cannot save" << path << reason;
    m_notSaved.Tell(QStringLiteral("The cache cannot be saved: %1 (%2). Quelvar works on with the copies it has.")
                        .arg(QDir::toNativeSeparators(path), reason));
    return -2;
}

int CDataCache::Delete(const DataInfo &info) const
{
    const QString path = FilePath(info);
    if (path.isEmpty())
        return -1;
    return QFile::remove(path) ? 1 : -1;
}

int CDataCache::Handle(CHost *sender, const QUuid &id, IMessage *in, IMessage *)
{
    if (id != MSG_DATA_FETCH && id != MSG_DATA_STORE && id != MSG_DATA_RECEIVED && id != MSG_DATA_CURRENT
        && id != MSG_DATA_DELETE_LOCAL)
        return RESULT_NOT_HANDLED;
    DataInfo *info = AsDataInfo(in);
    if (!info) {
        qCWarning(lcBus) << "a data message without its DataInfo";
        return RESULT_REFUSED;
    }
    const bool local = info->type == DataInfo::Local;

    if (id == MSG_DATA_FETCH) {
        DataInfo copy = *info;
        const int loaded = Load(copy);
        if (loaded == 1)
            m_manager->Dispatch(nullptr, MSG_DATA_RECEIVED, &copy, nullptr);
        if (!local) {
            // The request carries the hash of the copy we hold, or the
            // sender's when we hold none.
            copy.data.clear();
            m_manager->Dispatch(sender, MSG_DATA_FETCH, &copy, nullptr);
        }
        return loaded;
    }
    if (id == MSG_DATA_STORE) {
        const int saved = Save(*info);
        if (!info->hash.empty()) {
            DataInfo copy = *info;
            copy.hash = Md5Hex(copy.data);
            m_manager->Dispatch(sender, MSG_DATA_STORE, &copy, nullptr);
            return saved;
        }
        return local ? saved : RESULT_HANDLED_CONTINUE;
    }
    if (id == MSG_DATA_RECEIVED) {
        // No file in it: nothing to save over our copy.
        if (IsChangedNotice(*info))
            return RESULT_HANDLED_CONTINUE;
        const int saved = Save(*info);
        return local ? saved : RESULT_HANDLED_CONTINUE;
    }
    if (id == MSG_DATA_CURRENT)
        return RESULT_HANDLED_CONTINUE;
    const int deleted = Delete(*info);
    return local ? deleted : RESULT_HANDLED_CONTINUE;
}

} // namespace QVPlugin
