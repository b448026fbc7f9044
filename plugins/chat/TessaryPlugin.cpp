#include "plugins/chat/TessaryPlugin.h"

#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "plugins/chat/ChatLog.h"
#include "plugins/chat/TessaryMenu.h"
#include "plugins/chat/model/ChatSettings.h"
#include "plugins/chat/model/FlatXmlReader.h"
#include "plugins/chat/model/QuickTextMenu.h"
#include "plugins/chat/model/Visitor.h"
#include "plugins/chat/ui/ChatWindows.h"
#include "plugins/chat/ui/SpellChecker.h"
#include "plugins/chat/ui/TessaryBar.h"
#include "plugins/chat/ui/TransferChatDlg.h"
#include "plugins/chat/ui/TessaryView.h"
#include "plugins/chat/ui/ChatWnd.h"
#include "plugins/chat/ui/SitePathListCtrl.h"
#include "plugins/chat/ui/VisitorChatPane.h"
#include "shared/DialogIcons.h"
#include "shared/Prompt.h"

#include <QDomDocument>
#include <QApplication>
#include <QMainWindow>
#include <QTimer>
#include <QStatusBar>

#include <cstring>

using namespace QVPlugin;

namespace {

constexpr unsigned kNameId = 10000;

QString TessaryString(unsigned id)
{
    switch (id) {
    case 10000:
        return QStringLiteral("Live Chat Plugin");
    case 10001:
        return QStringLiteral("Live Chat Plugin allows chat interaction with customers");
    case 10003:
        return QStringLiteral("Live Chat");
    default:
        return QString();
    }
}

// Replaced by the account data after sign-in.
// How long a notice stays in the frame's status bar.
constexpr int kStatusMessageMs = 15 * 1000;

const QString kDefaultWebModuleUrl = QStringLiteral("http://localhost/qvx/");

const QString kAgentId = QStringLiteral("agent.id");
const QString kAgentNick = QStringLiteral("agent.nick");
const QString &kIdleMinutes = ChatSettings::kIdleMinutes;
const QString kAccountId = QStringLiteral("agent.account.id");
const QString kAccountKey = QStringLiteral("agent.account.key");
const QString kKbUrl = QStringLiteral("kb.webservice.url");
const QString kWebModuleUrl = QStringLiteral("server.webmodule.url");
const QString kDepartment = QStringLiteral("agent.department.id");
const QString kGeoIpKey = QStringLiteral("agent.account.geoipkey");

template <typename T>
const T *PayloadAs(IMessage *in, const char *typeName)
{
    return in && std::strcmp(in->GetTypeName(), typeName) == 0 ? static_cast<const T *>(in) : nullptr;
}

} // namespace

CTessaryPlugin::CTessaryPlugin()
    : CPluginBase(kNameId, &TessaryString),
      m_pluginAccelerators(TessaryMenu::PluginAccelerators()),
      m_webModuleUrl(kDefaultWebModuleUrl)
{
    m_modes.push_back(kMode);
}

CTessaryPlugin::~CTessaryPlugin()
{
    // Windows hold chats of the table: they go first.
    m_chatTable.DestroyAllWindows();
}

const QUuid *CTessaryPlugin::GetId() const
{
    return &PLUGIN_GUID_LIVE_CHAT;
}

CTessaryBar *CTessaryPlugin::Bar() const
{
    return m_bar;
}

bool CTessaryPlugin::OnLoad()
{
    LoadQuickTexts();

    // The bar page; the host deletes a page it refuses, and the load stops.
    m_bar = new CTessaryBar(&m_quickTexts);
    if (!AddBarPane(m_bar, TessaryString(10003)))
        return false;
    QObject::connect(&m_contacts, &CContactList::added, m_bar, &CTessaryBar::AddAgent);
    QObject::connect(&m_contacts, &CContactList::changed, m_bar, &CTessaryBar::UpdateAgent);
    QObject::connect(&m_contacts, &CContactList::removed, m_bar, &CTessaryBar::RemoveAgent);
    QObject::connect(&m_chatTable, &CChatTable::chatAdded, m_bar, &CTessaryBar::AddChatEntry);
    QObject::connect(&m_chatTable, &CChatTable::windowAdded, m_bar,
                     [bar = m_bar.data()](CChat *chat, QWidget *) { bar->AddChatEntry(chat); });
    QObject::connect(m_bar, &CTessaryBar::quickTextChosen, m_bar, [this](unsigned number) { InsertQuickText(number); });
    QObject::connect(m_bar, &CTessaryBar::chatActivated, m_bar, [this](CChat *chat) { ShowChatFor(chat); });
    QObject::connect(m_bar, &CTessaryBar::contactActivated, m_bar, [this](const Jid &jid) {
        OpenContactChat(jid);
        ShowChatFor(m_chatTable.FindChat(jid));
    });

    if (!m_chatWindowsSet) {
        m_chatWindows = std::make_unique<CChatWindows>(m_core);
        m_chatTable.SetWindows(m_chatWindows.get());
    }

    // The visitor monitor, the plug-in's view, with the visitor chat pane.
    const CTessaryView::PaneServices paneServices{*this, m_core};
    auto *view = new CTessaryView(*this, nullptr, CVisitor::SystemClock(), nullptr, &paneServices);
    if (!AddView(view, TessaryString(10003)))
        return false;
    m_view = view;
    SetVisitors(view);
    SetVisitorChats(&view->Pane()->Logic());
    SetQuickTextInput(view->Pane());
    // The bar lists the visitor chats too, and offers a visitor's menu.
    QObject::connect(view->Pane(), &CVisitorChatPane::chatOpened, m_bar, &CTessaryBar::AddChatEntry);
    QObject::connect(view->Pane(), &CVisitorChatPane::chatEnded, m_bar, &CTessaryBar::RemoveChatEntry);
    QObject::connect(m_bar, &CTessaryBar::chatMenuRequested, view, [this](CChat *chat, const QPoint &globalPos) {
        CVisitor *visitor = chat && m_visitors ? m_visitors->FindVisitorByJid(chat->peer()) : nullptr;
        if (visitor && m_view && m_view->Pane())
            m_view->Pane()->Logic().ShowVisitorMenu(*visitor, globalPos);
    });
    // The host may destroy the view before the plug-in goes.
    QObject::connect(view, &QObject::destroyed, view, [this, view] {
        if (m_visitors == view)
            m_visitors = nullptr;
        m_visitorChats = nullptr;
        m_quickTextInput = nullptr;
    });

    m_self.nick = GetValue(kAgentNick, QString()).toString();
    // Every contact that appears gets its picture fetched.
    QObject::connect(&m_contacts, &CContactList::added, &m_pictures,
                     [this](ChatContact *contact) { m_pictures.Request(contact->jid); });
    m_pictures.SetBaseUrl(m_webModuleUrl);
    return true;
}

void CTessaryPlugin::OnUnload()
{
    QObject::disconnect(&m_contacts, &CContactList::added, &m_pictures, nullptr);
    m_pictures.Stop();
    // While the bus still carries their last "gone".
    m_chatTable.DestroyAllWindows();
    CPluginBase::OnUnload();
}

void CTessaryPlugin::LoadQuickTexts()
{
    m_quickTextStore = std::make_unique<CQuickTextStore>(m_host, &m_quickTexts);
    // Told after the bus message that brought the file has been handled.
    QObject::connect(
        m_quickTextStore.get(), &CQuickTextStore::readIncomplete, m_quickTextStore.get(),
        [] {
            PromptRequest box;
            box.caption = QStringLiteral("Quelvar");
            box.text = QObject::tr("The quick texts could not be read whole. The part that was read is shown; "
                                   "changes to it are not saved to the server, which keeps its file as it is.");
            box.icon = QMessageBox::Warning;
            CPrompt::Show(box, FindMainWindow());
        },
        Qt::QueuedConnection);
    // Connected after the store's own slot, so that a change is stored before
    // the frame follows it.
    for (auto signal : {&CQuickTextList::Changed, &CQuickTextList::Reloaded})
        QObject::connect(&m_quickTexts, signal, m_quickTextStore.get(), [this] { RebuildQuickTextShortcuts(); });
    // Reads the duplicates setting and announces the list: the table is built.
    m_quickTextStore->Load();
}

void CTessaryPlugin::RebuildQuickTextShortcuts()
{
    const bool active = IsModeActive();
    if (active && !m_quickTextAccelerators.empty())
        RemoveAccelerators(m_quickTextAccelerators);
    m_quickTextAccelerators = QuickTextMenu::Accelerators(m_quickTexts);
    if (!active)
        return;
    ReplaceMenu(QuickTextMenu::Build(m_quickTexts));
    if (!m_quickTextAccelerators.empty())
        AddAccelerators(m_quickTextAccelerators);
}

void CTessaryPlugin::OnModeActivate(int mode)
{
    CPluginBase::OnModeActivate(mode);
    AddMenu(QuickTextMenu::Build(m_quickTexts));
    AddMenu(TessaryMenu::VisitorMenu());
    AddAccelerators(m_pluginAccelerators);
    if (!m_quickTextAccelerators.empty()) {
        RemoveAccelerators(m_quickTextAccelerators);
        AddAccelerators(m_quickTextAccelerators);
    }
}

void CTessaryPlugin::OnModeDeactivate(int)
{
    RemoveAccelerators(m_pluginAccelerators);
    if (!m_quickTextAccelerators.empty())
        RemoveAccelerators(m_quickTextAccelerators);
}

namespace {

// The quick text a command inserts; 0 for any other command.
unsigned QuickTextNumber(unsigned id)
{
    return id > CQuickTextList::kFirstCommand && id - CQuickTextList::kFirstCommand <= CQuickTextList::kLastNumber
        ? id - CQuickTextList::kFirstCommand
        : 0;
}

} // namespace

bool CTessaryPlugin::InsertQuickText(unsigned number)
{
    if (!number || !m_quickTextInput || !m_quickTextInput->CanInsertQuickText())
        return false;
    m_quickTextInput->InsertQuickText(number);
    return true;
}

int CTessaryPlugin::OnCommand(unsigned id)
{
    return InsertQuickText(QuickTextNumber(id)) ? RESULT_DONE : RESULT_NOT_HANDLED;
}

int CTessaryPlugin::OnUpdateCommand(CommandUpdate *update)
{
    // Left to the others when no chat window takes it, so the frame disables it.
    if (!update || !QuickTextNumber(update->Id()) || !m_quickTextInput || !m_quickTextInput->CanInsertQuickText())
        return RESULT_NOT_HANDLED;
    update->Enable(true);
    return RESULT_DONE;
}

int CTessaryPlugin::OnMessage(const QUuid &id, IMessage *in, IMessage *out)
{
    if (id == MSG_CONTACT_PRESENCE) {
        if (const auto *contact = PayloadAs<QVMessage<ChatContact>>(in, "QVMessage")) {
            OnContactPresence(contact->value);
            return RESULT_HANDLED_CONTINUE;
        }
    } else if (id == MSG_SERVER_MESSAGE_RECEIVED) {
        if (const auto *message = PayloadAs<ServerMessage>(in, "ServerMessage")) {
            if (message->type == "get-extra-info")
                ReadAccountData(message->text);
            else if (m_visitors)
                m_visitors->OnServerMessage(*message);
            return RESULT_HANDLED_CONTINUE;
        }
    } else if (id == MSG_PRESENCE_STATE) {
        if (const auto *state = PayloadAs<QVMessage<PresenceState>>(in, "QVMessage")) {
            OnOwnPresence(state->value);
            // The store fetches the quick texts on the first Online after Offline.
            if (m_quickTextStore)
                m_quickTextStore->OnMessage(id, in, out);
            if (m_ownState == PresenceOffline && m_visitors)
                m_visitors->RemoveAllVisitors();
            if (m_visitorChats)
                m_visitorChats->OnOwnPresence(m_ownState);
            return RESULT_HANDLED_CONTINUE;
        }
    } else if (id == MSG_CHAT_MESSAGE_RECEIVED) {
        if (const auto *message = PayloadAs<ChatMessage>(in, "ChatMessage")) {
            OnChatMessage(*message);
            return RESULT_HANDLED_CONTINUE;
        }
    } else if (id == MSG_CHAT_MESSAGE_DELIVERED) {
        if (const auto *receipt = PayloadAs<ChatMessage>(in, "ChatMessage")) {
            OnReceipt(*receipt);
            return RESULT_HANDLED_CONTINUE;
        }
    } else if (id == MSG_CHAT_STATE) {
        if (const auto *state = PayloadAs<ChatStateMessage>(in, "ChatStateMessage")) {
            m_chatTable.ShowChatState(state->from.jid, state->state);
            if (m_visitorChats)
                m_visitorChats->OnPeerChatState(*state);
            return RESULT_HANDLED_CONTINUE;
        }
    } else if (m_quickTextStore && (id == MSG_DATA_RECEIVED || id == MSG_SET_SETTING)) {
        const int result = m_quickTextStore->OnMessage(id, in, out);
        if (result != RESULT_NOT_HANDLED)
            return result;
    }
    return CPluginBase::OnMessage(id, in, out);
}

bool CTessaryPlugin::IsColleague(const Jid &jid) const
{
    // The server sends the agent its own presence back, and the service
    // speaks as the server itself (an address without a node).
    if (!jid.IsValid() || jid.node().isEmpty())
        return false;
    return !(m_self.bareJid.IsValid() && jid.BareEquals(m_self.bareJid));
}

void CTessaryPlugin::OnContactPresence(const ChatContact &contact)
{
    if (contact.role == RoleOther) {
        if (IsColleague(contact.jid))
            m_contacts.Update(contact);
        return;
    }
    // Anyone else is an occupant of a visitor's room; the agent's own
    // presence there is the pane's business.
    if (!m_visitorChats || contact.bareJid.BareEquals(m_self.bareJid))
        return;
    if (CChat *chat = m_visitorChats->FindVisitorChat(contact.jid))
        chat->members().Update(contact);
}

void CTessaryPlugin::OnOwnPresence(PresenceState state)
{
    m_ownState = state;
    if (state != PresenceOffline) {
        // Signed in: chats are coming, so the spelling dictionary is read
        // now, off the user-interface thread.
        CSpellChecker::Shared().ReadAhead();
        return;
    }
    m_contacts.Clear();
    m_chatTable.DestroyAllWindows();
    // No colleague's window is left to go to; an entry comes back with the
    // chat's next window.
    if (m_bar)
        for (int i = 0; i < m_chatTable.Count(); ++i)
            m_bar->RemoveChatEntry(m_chatTable.At(i));
}

void CTessaryPlugin::OnChatMessage(const ChatMessage &message)
{
    CChat *visitorChat = m_visitorChats ? m_visitorChats->FindVisitorChat(message.from) : nullptr;
    MessageChannel *visitorChannel = visitorChat ? m_visitorChats->VisitorChannel(visitorChat) : nullptr;
    // A visitor's line before the agent accepts waits in the room's line,
    // which the chat shows first when it opens.
    if (!visitorChannel && m_visitorChats && m_visitors && m_visitors->FindVisitorByJid(message.from.BareJid()))
        visitorChannel = m_visitorChats->RoomChannel(message.from.BareJid());
    if (visitorChannel) {
        visitorChannel->SetUnread(true);
        visitorChannel->Publish(message);
        return;
    }
    // A sender that is neither a contact nor in a chat would fill a channel
    // that nothing shows: any account can write to the agent.
    if (!m_channels.Find(message.from) && !m_chatTable.FindChat(message.from) && !m_contacts.Find(message.from)
        && !m_contacts.FindBare(message.from)) {
        qCInfo(lcChat) << "a message from an unknown sender was dropped";
        return;
    }
    MessageChannel *channel = m_channels.Get(message.from);
    channel->SetUnread(true);
    channel->Publish(message);
    OpenContactChat(message.from);
}

void CTessaryPlugin::OnReceipt(const ChatMessage &receipt)
{
    const Jid bare = receipt.from.BareJid();
    CChat *chat = m_visitorChats ? m_visitorChats->FindVisitorChat(bare) : nullptr;
    if (!chat)
        chat = m_chatTable.FindChat(bare);
    if (chat && !receipt.id.empty() && chat->outgoing().id == receipt.id)
        chat->OnDelivered();
}

void CTessaryPlugin::OpenContactChat(const Jid &jid)
{
    if (!IsColleague(jid))
        return;
    if (m_chatTable.RaiseWindow(jid))
        return;
    CChat *chat = m_chatTable.FindChat(jid);
    if (!chat) {
        const ChatContact *contact = m_contacts.Find(jid);
        if (!contact)
            contact = m_contacts.FindBare(jid);
        if (!contact)
            return;
        auto made = std::make_unique<CChat>(jid, m_core, *m_channels.Get(jid),
                                            ContactName(*contact));
        made->SetModeValue(ChatModeDirect);
        // A direct chat sends to its members: without the contact it would
        // send nothing.
        made->members().Update(*contact);
        chat = m_chatTable.AddChat(std::move(made));
    }
    m_chatTable.OpenWindow(chat);
}

void CTessaryPlugin::ShowChatFor(CChat *chat)
{
    if (!chat)
        return;
    // A room chat's peer is the room: the visitor is found by its bare part.
    CVisitor *visitor = m_visitors ? m_visitors->FindVisitorByJid(chat->peer()) : nullptr;
    if (visitor) {
        m_visitors->ShowVisitorChat(visitor);
        return;
    }
    if (m_chatTable.OpenWindow(chat))
        m_chatTable.FocusWindow(chat->peer());
}

CTessaryPlugin::CoreLink::CoreLink(CTessaryPlugin &plugin) : m_plugin(plugin) {}

CVisitor *CTessaryPlugin::FindVisitorById(const std::string &id)
{
    return m_visitors ? m_visitors->FindVisitorById(id) : nullptr;
}

bool CTessaryPlugin::BoolSetting(const QString &key, bool fallback) const
{
    return m_core.BoolSetting(key, fallback);
}

void CTessaryPlugin::SetBoolSetting(const QString &key, bool value)
{
    SetValue(key, value);
}

QString CTessaryPlugin::StringSetting(const QString &key, const QString &fallback) const
{
    return m_core.StringSetting(key, fallback);
}

bool CTessaryPlugin::CoreLink::SendAgentMessage(const ChatMessage &message)
{
    return m_plugin.SendAgentMessage(message);
}

bool CTessaryPlugin::CoreLink::BoolSetting(const QString &key, bool fallback) const
{
    return m_plugin.GetValue(key, fallback).toBool();
}

void CTessaryPlugin::CoreLink::SendTypingState(const Jid &peer, int state)
{
    m_plugin.SendTypingState(ChatContact(peer), state);
}

void CTessaryPlugin::CoreLink::SendDirectedPresence(const ChatContact &presence)
{
    m_plugin.SendDirectedPresence(presence);
}

QString CTessaryPlugin::CoreLink::StringSetting(const QString &key, const QString &fallback) const
{
    return m_plugin.GetValue(key, fallback).toString();
}

QString CTessaryPlugin::CoreLink::AgentDisplayName() const
{
    const ChatContact &self = m_plugin.m_self;
    return self.nick.isEmpty() ? self.jid.node() : self.nick;
}

QMetaObject::Connection
CTessaryPlugin::CoreLink::ConnectPictures(QObject *receiver, std::function<void(const Jid &, const QImage &)> slot)
{
    return QObject::connect(&m_plugin.m_pictures, &CAgentPictures::pictureArrived, receiver, std::move(slot));
}

void CTessaryPlugin::CoreLink::OpenTransfer(const Jid &peer, QWidget *parent)
{
    CVisitor *visitor = m_plugin.m_visitors ? m_plugin.m_visitors->FindVisitorByJid(peer) : nullptr;
    if (!visitor || !CTransferChatDlg::CheckAgents(m_plugin.m_contacts, parent))
        return;
    CTransferChatDlg dialog(parent, m_plugin.m_contacts, visitor->id(),
                            [this](const std::string &sessionId, const QString &text, const std::string &type) {
                                // The visitor may have gone while the dialog was open.
                                if (m_plugin.FindVisitorById(sessionId))
                                    m_plugin.SendServerCommand(sessionId, text, type);
                            });
    dialog.exec();
}

void CTessaryPlugin::SetChatWindows(IChatWindows *windows)
{
    m_chatWindowsSet = true;
    m_chatTable.SetWindows(windows);
}

void CTessaryPlugin::OnSettingChanged(const QString &key, const QVariant &value)
{
    if (key == kAgentId) {
        const Jid bare = Jid(value.toString()).BareJid();
        m_self.jid = bare;
        m_self.bareJid = bare;
    } else if (key == kAgentNick) {
        m_self.nick = value.toString();
    } else if (key == kIdleMinutes) {
        m_idleMinutes.reset();
    } else if (key == CSitePathListCtrl::kFormatKey || key == ChatSettings::kTimestampFormat) {
        // The value is stored after every plug-in has heard it: the chat
        // windows' status lines read it once this write is done.
        QTimer::singleShot(0, qApp, [] {
            for (QWidget *top : QApplication::topLevelWidgets())
                for (CChatWnd *window : top->findChildren<CChatWnd *>())
                    window->RefreshStatusTime();
        });
    }
}

void CTessaryPlugin::BuildSettingsLayout(QDomDocument *document)
{
    if (!document)
        return;
    const QDomElement category = LayoutCategory(document->documentElement(), QStringLiteral("chat"), QStringLiteral("Chat"));
    const QDomElement group = LayoutGroup(category, QStringLiteral("chat.settings"), QStringLiteral("Chat settings"));
    LayoutLabel(group, QStringLiteral("Live chat settings"));
    const auto text = [](bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); };
    LayoutSetting(group, QStringLiteral("&Show timestamp"), QStringLiteral("bool"), ChatSettings::kTimestamp,
                  text(ChatSettings::kTimestampDefault));
    LayoutTextSetting(group, QStringLiteral("&Timestamp Format:"), ChatSettings::kTimestampFormat,
                      ChatSettings::kTimeFormatDefault);
    QDomElement idle = LayoutSetting(group, QStringLiteral("&Idle Timeout (min):"), QStringLiteral("number"),
                                     kIdleMinutes, QString::number(ChatSettings::kIdleMinutesDefault));
    idle.setAttribute(QStringLiteral("from"), 0);
    idle.setAttribute(QStringLiteral("to"), 60);
    LayoutSetting(group, QStringLiteral("Show &duplicate Quick Text"), QStringLiteral("bool"),
                  ChatSettings::kQuickTextDuplicates, text(ChatSettings::kQuickTextDuplicatesDefault));
}

void CTessaryPlugin::ReadAccountData(const std::string &text)
{
    const Tessary::FlatXml data = Tessary::FlatXmlReader(QByteArrayView(text.data(), qsizetype(text.size())));
    WriteSetting(kAccountId, data.value(QStringLiteral("AccountID")));
    m_self.nick = data.value(QStringLiteral("display-name"));
    WriteSetting(kAgentNick, m_self.nick);
    WriteSetting(kAccountKey, data.value(QStringLiteral("key")));
    const QString kbUrl = data.value(QStringLiteral("brandle"));
    if (!kbUrl.isEmpty())
        WriteSetting(kKbUrl, kbUrl);
    const QString webModule = data.value(QStringLiteral("web-module-url"));
    if (!webModule.isEmpty()) {
        m_webModuleUrl = webModule;
        m_pictures.SetBaseUrl(webModule);
        WriteSetting(kWebModuleUrl, webModule);
    }
    const QString departments = data.value(QStringLiteral("member-departments"));
    if (!departments.isEmpty()) {
        m_departments = departments.split(QLatin1Char(','), Qt::SkipEmptyParts);
        WriteSetting(kDepartment, departments);
    }
    WriteSetting(kGeoIpKey, data.value(QStringLiteral("geoipkey")));
    qCInfo(lcChat) << "account data read," << m_departments.size() << "departments";
    if (m_quickTextStore)
        m_quickTextStore->OnAccountData();
}

void CTessaryPlugin::OnDisconnected()
{
    m_self.jid = Jid();
    m_self.bareJid = Jid();
    m_self.nick.clear();
    m_webModuleUrl.clear();
    m_pictures.SetBaseUrl(QString());
    m_departments.clear();
    // The knowledge-base address stays: the service plug-in keeps working
    // against it until the next sign-in replaces it.
    for (const QString &key : {kAccountId, kAgentNick, kAccountKey, kWebModuleUrl, kDepartment, kGeoIpKey})
        WriteSetting(key, QString());
}

void CTessaryPlugin::WriteSetting(const QString &key, const QString &value)
{
    MsgValue setting(key, value);
    SendMessage(MSG_SET_SETTING, &setting, nullptr);
}

void CTessaryPlugin::SendServerCommand(const std::string &sessionId, const QString &text, const std::string &type)
{
    ServerMessage message(text.toStdString(), type, sessionId);
    SendMessage(MSG_SERVER_SET, &message, nullptr);
}

void CTessaryPlugin::SendServerQuery(const std::string &sessionId, const QString &text)
{
    ServerMessage message(text.toStdString(), "visitor-history", sessionId);
    SendMessage(MSG_SERVER_GET, &message, nullptr);
}

bool CTessaryPlugin::SendAgentMessage(const ChatMessage &message)
{
    CVisitor *visitor = m_visitors ? m_visitors->FindVisitorByJid(message.to) : nullptr;
    if (visitor && !CVisitor::IsInChatState(visitor->state())) {
        // A visitor who is not chatting yet gets the chat opened with the text.
        SendServerCommand(visitor->id(), message.body, "open-visitor-chat");
        return true;
    }
    ChatMessage copy(message);
    const bool sent = SendMessage(MSG_SEND_CHAT_MESSAGE, &copy, nullptr) > 0;
    if (sent && visitor) {
        visitor->ClearChatRequested();
        if (!m_visitors->AnyVisitorWaiting()) {
            QVMessage<bool> flashing(false);
            SendMessage(MSG_SET_FLASHING, &flashing, nullptr);
        }
    }
    return sent;
}

bool CTessaryPlugin::SendTypingState(const ChatContact &peer, int state)
{
    ChatStateMessage message;
    message.to = peer;
    message.state = ChatState(state);
    CVisitor *visitor = nullptr;
    if (m_visitors && !peer.jid.resource().isEmpty())
        visitor = m_visitors->FindVisitorById(peer.jid.resource().toStdString());
    // A room chat's peer is the bare room: its visitor is found by the room.
    if (m_visitors && !visitor && peer.jid.resource().isEmpty())
        visitor = m_visitors->FindVisitorByJid(peer.jid);
    if (!visitor) {
        // A visitor's room never gets chat states, even once its visitor
        // is gone from the list.
        if (m_visitorChats && peer.jid.resource().isEmpty() && m_visitorChats->FindVisitorChat(peer.jid))
            return false;
        return SendMessage(MSG_CHAT_STATE, &message, nullptr) > 0;
    }
    if (!CVisitor::IsInChatState(visitor->state()))
        return false;
    // The notice names the visitor's session by the visitor's own address.
    message.to = ChatContact(visitor->jid());
    return SendMessage(MSG_SEND_AGENT_TYPING, &message, nullptr) > 0;
}

void CTessaryPlugin::SetOwnPresence(PresenceState state)
{
    SendValue(MSG_PRESENCE_STATE, state);
}

void CTessaryPlugin::RaiseAlert(int kind, const QString &title, const QString &text)
{
    AlertInfo alert;
    alert.title = title;
    alert.text = text;
    alert.kind = kind;
    SendMessage(MSG_ALERT, &alert, nullptr);
}

void CTessaryPlugin::ShowStatus(const QString &text)
{
    // The message pane of the frame that holds the plug-in's view.
    auto *frame = m_view ? qobject_cast<QMainWindow *>(m_view->window()) : nullptr;
    if (frame)
        frame->statusBar()->showMessage(text, kStatusMessageMs);
}

void CTessaryPlugin::SendDirectedPresence(const ChatContact &contact)
{
    SendValue(MSG_SEND_DIRECTED_PRESENCE, contact);
}

int CTessaryPlugin::SendMucInvite(const Jid &room, const Jid &user)
{
    VisitorMessage message;
    message.room = room;
    message.user = user;
    return SendMessage(MSG_SEND_MUC_INVITE, &message, nullptr);
}

int CTessaryPlugin::SendMucDecline(const Jid &room, const Jid &user)
{
    VisitorMessage message;
    message.room = room;
    message.user = user;
    return SendMessage(MSG_SEND_MUC_DECLINE, &message, nullptr);
}

int CTessaryPlugin::IdleMinutes()
{
    if (!m_idleMinutes)
        m_idleMinutes = GetValue(kIdleMinutes, ChatSettings::kIdleMinutesDefault).toInt();
    return *m_idleMinutes;
}

bool CTessaryPlugin::IsInDepartment(const QString &departmentId) const
{
    return departmentId.isEmpty() || m_departments.contains(departmentId);
}
