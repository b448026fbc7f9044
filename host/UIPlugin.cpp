#include "host/UIPlugin.h"

#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "host/FrameDefaults.h"
#include "host/HostLog.h"
#include "host/UIFrame.h"
#include "shared/Prompt.h"
#include "skins/QVSkinManager.h"

#include <QWidget>

using namespace QVPlugin;

namespace {

// The XMPP engine's codes that the host tells apart.
constexpr int kErrorConnectionClosed = 8;
constexpr int kErrorSocket = 10;

template <typename T>
T *As(IMessage *message)
{
    return static_cast<T *>(message);
}

} // namespace

CUIPlugin::CUIPlugin(IUIFrame *frame)
    : m_frame(frame), m_menu(DefaultFrameMenu()), m_accelerators(DefaultFrameAccelerators())
{
}

const QUuid *CUIPlugin::GetId() const
{
    return &PLUGIN_GUID_UI;
}

bool CUIPlugin::Initialize(IHost *host)
{
    m_host = host;
    if (!m_frame)
        return false;
    m_frame->SetMenu(m_menu.Menu());
    m_frame->SetAccelerators(m_accelerators);
    return true;
}

QString CUIPlugin::ModeSection(int mode)
{
    return QStringLiteral("Mode-%1").arg(mode);
}

int CUIPlugin::Send(const QUuid &id, IMessage *in, IMessage *out)
{
    return m_host ? m_host->SendMessage(id, in, out) : RESULT_NOT_HANDLED;
}

int CUIPlugin::OnMessage(const QUuid &id, IMessage *in, IMessage *out)
{
    if (id == MSG_GET_SETTING) {
        auto *request = As<MsgValue>(in);
        auto *answer = As<QVMessage<QVariant>>(out);
        if (!request || !answer)
            return RESULT_NOT_HANDLED;
        if (request->name == QLatin1String("UI.ViewParentWnd"))
            answer->value = QVariant::fromValue(m_frame->ViewParent());
        else if (request->name == QLatin1String("UI.BarParentWnd"))
            answer->value = QVariant::fromValue(m_frame->BarParent());
        else
            return RESULT_NOT_HANDLED;
        return RESULT_DONE;
    }
    if (id == MSG_SET_SETTING) {
        auto *value = As<MsgValue>(in);
        if (!value || value->name != QLatin1String("ui.skin"))
            return RESULT_NOT_HANDLED;
        if (!CQVSkinManager::SetCurrentSkin(value->value.toString()))
            qCInfo(lcHost) << "no skin named" << value->value.toString();
        return RESULT_HANDLED_CONTINUE; // the storage keeps it too
    }
    if (id == MSG_MENU_INSERT_ITEM) {
        auto *record = As<MenuItemRecord>(in);
        if (!record)
            return RESULT_REFUSED;
        bool changed = false;
        const int result = m_menu.InsertItem(record->popupPath, record->insertBefore, record->text, record->id, &changed);
        if (changed)
            ApplyMenu();
        return result;
    }
    if (id == MSG_MENU_ADD)
        return OnMenuMerge(in, CMenuModel::KeepExisting);
    if (id == MSG_MENU_REPLACE)
        return OnMenuMerge(in, CMenuModel::ReplaceExisting);
    if (id == MSG_MENU_REMOVE_COMMAND) {
        auto *command = As<QVMessage<unsigned>>(in);
        if (!command || !m_menu.RemoveCommand(command->value))
            return RESULT_DONE;
        ApplyMenu();
        return RESULT_NOT_HANDLED; // the plug-ins hear of it too
    }
    if (id == MSG_ACCELERATORS_ADD || id == MSG_ACCELERATORS_REMOVE) {
        auto *table = As<QVMessage<AcceleratorTable>>(in);
        if (table && !table->value.empty()) {
            SetAccelerators(id == MSG_ACCELERATORS_ADD ? MergeAccelerators(m_accelerators, table->value)
                                                       : RemoveAccelerators(m_accelerators, table->value));
        }
        return RESULT_DONE;
    }
    if (id == MSG_SHOW_VIEW) {
        auto *view = As<QVMessage<QWidget *>>(in);
        if (!view || !view->value)
            return RESULT_REFUSED;
        if (QWidget *parent = m_frame->ViewParent()) {
            for (QWidget *child : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
                if (child != view->value)
                    child->hide();
            }
        }
        view->value->show();
        return RESULT_DONE;
    }
    if (id == MSG_ADD_VIEW) {
        auto *request = As<MsgAddWindow>(in);
        return request && request->window ? RESULT_DONE : RESULT_REFUSED;
    }
    if (id == MSG_REMOVE_VIEW)
        return RESULT_DONE;
    if (id == MSG_ADD_BAR_PANE) {
        auto *request = As<MsgAddWindow>(in);
        if (!request || !request->window)
            return RESULT_REFUSED;
        return m_frame->AddBarPage(request->window, request->title, request->icon, request->smallIcon)
            ? RESULT_DONE
            : RESULT_REFUSED;
    }
    if (id == MSG_REMOVE_BAR_PANE) {
        if (auto *pane = As<QVMessage<QWidget *>>(in); pane && pane->value)
            m_frame->RemoveBarPage(pane->value);
        return RESULT_DONE;
    }
    if (id == MSG_ALERT) {
        if (auto *alert = As<AlertInfo>(in))
            m_frame->Alert(*alert);
        return RESULT_DONE;
    }
    if (id == MSG_SET_FLASHING) {
        if (auto *flashing = As<QVMessage<bool>>(in))
            m_frame->SetFlashing(flashing->value);
        return RESULT_DONE;
    }
    if (id == MSG_CONNECTION_ERROR) {
        auto *code = As<QVMessage<int>>(in);
        return OnConnectionError(code ? code->value : 0);
    }
    if (id == MSG_SHOW_ERROR) {
        if (auto *text = As<QVMessage<QString>>(in)) {
            PromptRequest request;
            request.text = text->value;
            request.icon = QMessageBox::Critical;
            CPrompt::Show(request, m_frame->Window());
        }
        return RESULT_DONE;
    }
    if (id == MSG_PRESENCE_STATE) {
        if (auto *state = As<QVMessage<PresenceState>>(in))
            m_frame->SetConnectionState(state->value);
        return RESULT_HANDLED_CONTINUE;
    }
    return RESULT_NOT_HANDLED;
}

int CUIPlugin::OnMenuMerge(IMessage *in, CMenuModel::MergeMode mode)
{
    auto *menu = As<QVMessage<MenuSpec>>(in);
    if (!menu)
        return RESULT_REFUSED;
    bool changed = false;
    const int result = m_menu.Merge(menu->value, mode, &changed);
    if (changed)
        ApplyMenu();
    return result;
}

int CUIPlugin::OnConnectionError(int code)
{
    qCInfo(lcHost) << "connection error" << code;
    if (code == kErrorConnectionClosed) {
        m_frame->PostConnectionLost(true);
        return RESULT_DONE;
    }
    if (code == kErrorSocket) {
        PromptRequest request;
        request.caption = QStringLiteral("Error");
        request.text = QStringLiteral("An error occurred while connecting to the server.  Check your network "
                                      "connection.  Verify your firewall allows an outgoing connection on port 5222.");
        request.icon = QMessageBox::Critical;
        CPrompt::Show(request, m_frame->Window());
    }
    m_frame->PostConnectionLost(false);
    return RESULT_DONE;
}

void CUIPlugin::ApplyMenu()
{
    if (!m_menuReady)
        return;
    m_frame->SetMenu(m_menu.Menu());
    if (m_mode >= 0)
        m_frame->SaveWorkspace(ModeSection(m_mode));
}

void CUIPlugin::SetAccelerators(AcceleratorTable table)
{
    m_accelerators = std::move(table);
    m_frame->SetAccelerators(m_accelerators);
}

bool CUIPlugin::DeactivateMode()
{
    if (m_mode < 0)
        return true;
    m_frame->SaveWorkspace(ModeSection(m_mode));
    QVMessage<int> mode(m_mode);
    return Send(MSG_MODE_DEACTIVATE, &mode, nullptr) >= 0;
}

bool CUIPlugin::ActivateMode(int mode)
{
    m_mode = mode;
    SetAccelerators(DefaultFrameAccelerators());
    if (mode < 0)
        return true;

    m_frame->SetRedraw(false);
    m_frame->LoadWorkspace(ModeSection(mode));
    m_menuReady = false;
    m_menu.Reset(DefaultFrameMenu());
    QVMessage<int> message(mode);
    const int result = Send(MSG_MODE_ACTIVATE, &message, nullptr);
    m_menuReady = true;
    ApplyMenu();
    m_frame->SetRedraw(true);
    return result >= 0;
}

bool CUIPlugin::RouteCommand(unsigned id, int code, CommandUpdate *update, CommandHandlerInfo *info)
{
    CmdMsgDetails details(m_mode, id, code, update, info);
    const int result = Send(MSG_COMMAND, &details, nullptr);
    return result != RESULT_NOT_HANDLED && result != RESULT_HANDLED_CONTINUE;
}

bool CUIPlugin::QueryClose()
{
    return Send(MSG_QUERY_CLOSE, nullptr, nullptr) == RESULT_NOT_HANDLED;
}
