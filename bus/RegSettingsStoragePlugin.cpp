#include "bus/RegSettingsStoragePlugin.h"

#include "bus/BusLog.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "bus/VariantKind.h"
#include "shared/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace QVPlugin {

namespace {

const QString kGroup = QStringLiteral("Values");

// Integers are kept as 32 bits; a larger unsigned value wraps, as a
// double word would.
qint32 ToInt32(const QVariant &value)
{
    return static_cast<qint32>(value.toLongLong());
}

// A number, or "true"/"false" in any case as 1/0: people editing the file
// write booleans as words.
qint32 IntegerFromText(const QString &text, bool *ok)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        *ok = true;
        return 1;
    }
    if (trimmed.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        *ok = true;
        return 0;
    }
    return trimmed.toInt(ok);
}

} // namespace

CRegSettingsStoragePlugin::CRegSettingsStoragePlugin(const QString &fileName)
    : m_settings(fileName.isEmpty() ? DefaultFileName() : fileName, QSettings::IniFormat)
{
    m_problem = SettingsFileProblem(m_settings.fileName());
    if (!m_problem.isEmpty()) {
        qCWarning(lcBus).noquote() << "settings are kept for this run only:" << m_problem;
    } else if (m_settings.allKeys(), m_settings.status() == QSettings::FormatError) { // sections parse lazily
        SetAsideUnreadable();
    }
    m_settings.beginGroup(kGroup);
}

void CRegSettingsStoragePlugin::SetAsideUnreadable()
{
    // Kept for the agent to look at, then the file starts afresh rather
    // than carrying the garbage along as odd sections.
    const QString fileName = m_settings.fileName();
    const QString bad = fileName + QStringLiteral(".bad");
    QFile::remove(bad);
    if (!QFile::copy(fileName, bad)) {
        m_problem = QStringLiteral("%1 is not a settings file and cannot be set aside").arg(fileName);
        qCWarning(lcBus).noquote() << "settings are kept for this run only:" << m_problem;
        return;
    }
    QFile::setPermissions(bad, QFile::ReadOwner | QFile::WriteOwner);
    qCWarning(lcBus).noquote() << fileName << "is not a settings file; kept as" << bad << "and started afresh";
    m_settings.clear();
    Sync();
}

QString CRegSettingsStoragePlugin::DefaultFileName()
{
    return ProgramSettingsFile();
}

const QUuid *CRegSettingsStoragePlugin::GetId() const
{
    return &PLUGIN_GUID_SETTINGS_STORAGE;
}

int CRegSettingsStoragePlugin::OnMessage(const QUuid &id, IMessage *in, IMessage *out)
{
    if (id != MSG_GET_SETTING && id != MSG_SET_SETTING)
        return RESULT_NOT_HANDLED;
    // The payload types follow from the id; the type name guards against a
    // sender that broke the contract.
    if (!in || qstrcmp(in->GetTypeName(), "MsgValue") != 0) {
        qCWarning(lcBus) << "a setting message without its MsgValue";
        return RESULT_NOT_HANDLED;
    }
    auto *request = static_cast<MsgValue *>(in);
    if (id == MSG_GET_SETTING) {
        const QVariant answer = Read(request->name, request->value);
        if (out)
            static_cast<QVMessage<QVariant> *>(out)->value = answer;
    } else {
        Write(request->name, request->value);
    }
    return RESULT_DONE;
}

QVariant CRegSettingsStoragePlugin::Read(const QString &key, const QVariant &defaultValue)
{
    if (auto it = m_cache.constFind(key); it != m_cache.cend())
        return *it;

    QVariant answer;
    const QVariant stored = m_absent.contains(key) ? QVariant() : m_settings.value(key);
    bool fromFile = stored.isValid();
    switch (ClassifyVariant(defaultValue)) {
    case VariantKind::Empty:
        answer = stored.isValid() ? stored.toString() : QString(QLatin1String(""));
        break;
    case VariantKind::Integer: {
        bool ok = false;
        const qint32 number = stored.isValid() ? IntegerFromText(stored.toString(), &ok) : 0;
        // Text that is no number reads as absent.
        answer = ok ? number : ToInt32(defaultValue);
        fromFile = ok;
        break;
    }
    case VariantKind::String:
        answer = stored.isValid() ? stored.toString() : defaultValue.toString();
        break;
    case VariantKind::Other:
        // Kept only in the cache, never in the file: the default stands.
        answer = defaultValue;
        fromFile = false;
        break;
    }
    // A default is the caller's, not the stored value: another caller may
    // read the same absent key with a default of its own.
    if (fromFile)
        m_cache.insert(key, answer);
    else
        m_absent.insert(key);
    return answer;
}

void CRegSettingsStoragePlugin::Write(const QString &key, const QVariant &value)
{
    m_absent.remove(key);
    switch (ClassifyVariant(value)) {
    case VariantKind::Empty:
        m_cache.remove(key);
        if (Writable()) {
            m_settings.remove(key);
            Sync();
        }
        return;
    case VariantKind::Integer:
        if (Writable()) {
            m_settings.setValue(key, ToInt32(value));
            Sync();
        }
        break;
    case VariantKind::String:
        if (Writable()) {
            m_settings.setValue(key, value.toString());
            Sync();
        }
        break;
    case VariantKind::Other:
        break;
    }
    m_cache.insert(key, value);
}

void CRegSettingsStoragePlugin::Sync()
{
    // The file may hold the remembered password: owner-only before the first
    // value reaches it. Later rewrites keep the file's permissions.
    if (!m_fileSecured) {
        const QString fileName = m_settings.fileName();
        QFile file(fileName);
        if (file.exists()) {
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        } else {
            QDir().mkpath(QFileInfo(fileName).absolutePath());
            file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner);
        }
        m_fileSecured = true;
    }
    m_settings.sync();
    // A FormatError is the reading's; the write went through. A full disk
    // leaves the old file whole; later writes try again.
    if (m_settings.status() == QSettings::AccessError) {
        qCWarning(lcBus) << "cannot write the settings file" << m_settings.fileName();
        Tell(QStringLiteral("%1 cannot be written").arg(m_settings.fileName()));
    }
}

bool CRegSettingsStoragePlugin::Writable()
{
    if (m_problem.isEmpty())
        return true;
    Tell(m_problem);
    return false;
}

void CRegSettingsStoragePlugin::Tell(const QString &problem)
{
    m_notSaved.Tell(QStringLiteral("Settings cannot be saved: %1. Changes last until Quelvar ends.").arg(problem));
}

} // namespace QVPlugin
