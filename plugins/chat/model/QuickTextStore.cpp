#include "plugins/chat/model/QuickTextStore.h"

#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "plugins/chat/ChatLog.h"
#include "plugins/chat/model/ChatSettings.h"
#include "plugins/chat/model/QuickText.h"

#include <cstring>

using namespace QVPlugin;

namespace {
const QString &kDuplicatesKey = ChatSettings::kQuickTextDuplicates;
const QString kAccountKey = QStringLiteral("agent.account.id");
} // namespace

CQuickTextStore::CQuickTextStore(IHost *host, CQuickTextList *list) : m_host(host), m_list(list)
{
    connect(m_list, &CQuickTextList::Changed, this, &CQuickTextStore::Store);
    // What the agent removes may leave a file empty on purpose.
    connect(m_list, &CQuickTextList::ItemRemoved, this, [this] { m_agentRemoved = true; });
    connect(m_list, &CQuickTextList::CategoryRemoved, this, [this] { m_agentRemoved = true; });
}

QVariant CQuickTextStore::Setting(const QString &key, const QVariant &defaultValue) const
{
    MsgValue in(key, defaultValue);
    QVMessage<QVariant> out(defaultValue);
    return m_host->SendMessage(MSG_GET_SETTING, &in, &out) >= RESULT_DONE ? out.value : defaultValue;
}

void CQuickTextStore::Load()
{
    ApplyDuplicates(Setting(kDuplicatesKey, ChatSettings::kQuickTextDuplicatesDefault).toBool());
}

void CQuickTextStore::ApplyDuplicates(bool on)
{
    m_list->SetShowDuplicates(on);
    emit m_list->Reloaded();
}

int CQuickTextStore::OnMessage(const QUuid &id, IMessage *in, IMessage *)
{
    if (!in)
        return RESULT_NOT_HANDLED;
    if (id == MSG_PRESENCE_STATE && std::strcmp(in->GetTypeName(), "QVMessage") == 0) {
        const PresenceState state = static_cast<const QVMessage<PresenceState> *>(in)->value;
        if (state == PresenceOffline) {
            m_offline = true;
            m_ownFileRead = false;
            m_fetchedFor.clear();
        } else if (state == PresenceOnline && m_offline) {
            m_offline = false;
            // The service learns the agent's address from this request, so
            // it goes out at once, with the account if it is known yet.
            m_fetchedFor = Setting(kAccountKey, QString()).toString();
            Fetch();
        }
        return RESULT_NOT_HANDLED;
    }
    if (id == MSG_DATA_RECEIVED && std::strcmp(in->GetTypeName(), "DataInfo") == 0) {
        const auto *info = static_cast<const DataInfo *>(in);
        if (info->name != QLatin1String(kFileName))
            return RESULT_NOT_HANDLED;
        const unsigned shared = info->type == DataInfo::Shared ? 1 : 0;
        if (IsChangedNotice(*info)) {
            // No file in it: the server's copy changed, so ask for it again
            // (the hash of our copy makes an unchanged answer short).
            DataInfo again = File(info->type);
            m_host->SendMessage(MSG_DATA_FETCH, &again, nullptr);
            return RESULT_HANDLED_CONTINUE;
        }
        m_partial[shared] = !m_list->Read(QString::fromUtf8(info->data), shared, info->account);
        m_held[shared] = !m_list->Write(shared, info->account).isEmpty();
        m_agentRemoved = false;
        if (shared == 0)
            m_ownFileRead = true;
        if (m_partial[shared] && !m_told) {
            m_told = true;
            emit readIncomplete();
        }
        return RESULT_HANDLED_CONTINUE;
    }
    if (id == MSG_SET_SETTING && std::strcmp(in->GetTypeName(), "MsgValue") == 0) {
        const auto *value = static_cast<const MsgValue *>(in);
        if (value->name == kDuplicatesKey)
            ApplyDuplicates(value->value.toBool());
    }
    return RESULT_NOT_HANDLED;
}

DataInfo CQuickTextStore::File(int type) const
{
    DataInfo info;
    info.type = type;
    info.account = Setting(kAccountKey, QString()).toString();
    info.name = QLatin1String(kFileName);
    return info;
}

void CQuickTextStore::OnAccountData()
{
    // The files live in the account's folder of the cache: fetched without
    // the account only, they would be saved where the next run never looks.
    const QString account = Setting(kAccountKey, QString()).toString();
    if (m_offline || account.isEmpty() || account == m_fetchedFor)
        return;
    m_fetchedFor = account;
    Fetch();
}

void CQuickTextStore::Fetch()
{
    for (int type : {DataInfo::Server, DataInfo::Shared}) {
        DataInfo info = File(type);
        m_host->SendMessage(MSG_DATA_FETCH, &info, nullptr);
    }
}

void CQuickTextStore::Store()
{
    if (!m_ownFileRead)
        return;
    for (int type : {DataInfo::Server, DataInfo::Shared}) {
        const unsigned shared = type == DataInfo::Shared ? 1 : 0;
        if (m_partial[shared])
            continue;
        DataInfo info = File(type);
        info.data = m_list->Write(shared, info.account).toStdString();
        if (info.data.empty() && m_held[shared] && !m_agentRemoved) {
            qCWarning(lcChat) << "an empty quick-text list is not stored over a file that had items";
            continue;
        }
        m_held[shared] = !info.data.empty();
        m_host->SendMessage(MSG_DATA_STORE, &info, nullptr);
    }
    m_agentRemoved = false;
}
