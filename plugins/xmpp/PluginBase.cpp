#include "plugins/xmpp/PluginBase.h"

#include "bus/MessageIds.h"
#include "bus/Payloads.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QLoggingCategory>
#include <QThread>

#include <algorithm>

Q_LOGGING_CATEGORY(lcPluginBase, "ostrel.pluginbase", QtInfoMsg)

namespace QVPlugin {

namespace {

// Windows belong to the user-interface thread; a call from elsewhere is a
// programmer error that we log and refuse rather than crash on.
bool OnUiThread(const char *what)
{
    if (QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread())
        return true;
    qCWarning(lcPluginBase) << what << "called off the user-interface thread; ignored";
    return false;
}

QDomElement ChildElement(const QDomNode &parent, const QString &tag, const QString &id = QString())
{
    for (QDomElement e = parent.firstChildElement(tag); !e.isNull(); e = e.nextSiblingElement(tag)) {
        if (id.isNull() || e.attribute(QStringLiteral("id")) == id)
            return e;
    }
    return {};
}

QDomDocument OwnerDocument(const QDomNode &node)
{
    return node.isDocument() ? node.toDocument() : node.ownerDocument();
}

QDomElement NewElement(const QDomNode &parent, const QString &tag)
{
    QDomDocument doc = OwnerDocument(parent);
    return doc.isNull() ? QDomElement() : doc.createElement(tag);
}

} // namespace

CPluginBase::CPluginBase(unsigned nameId, const StringLookup &strings)
    : m_nameId(nameId), m_descriptionId(nameId + 1)
{
    if (strings) {
        m_name = strings(m_nameId);
        m_description = strings(m_descriptionId);
    }
}

CPluginBase::~CPluginBase() = default;

bool CPluginBase::Initialize(IHost *host)
{
    m_host = host;
    if (!m_host)
        return false;
    if (OnLoad())
        return true;
    OnUnload();
    return false;
}

void CPluginBase::Uninitialize()
{
    if (m_host)
        OnUnload();
}

void CPluginBase::Release()
{
    if (m_host)
        OnRelease();
    delete this;
}

int CPluginBase::OnMessage(const QUuid &id, IMessage *in, IMessage *out)
{
    if (id == MSG_COMMAND) {
        auto *details = static_cast<CmdMsgDetails *>(in);
        if (!details || !HasMode(details->mode))
            return RESULT_NOT_HANDLED;
        return OnCmdMsg(details->id, details->code, details->extra, details->handlerInfo);
    }
    if (id == MSG_MODE_DEACTIVATE || id == MSG_MODE_ACTIVATE) {
        auto *mode = static_cast<QVMessage<int> *>(in);
        if (!mode || !HasMode(mode->value))
            return RESULT_NOT_HANDLED;
        m_modeActive = id == MSG_MODE_ACTIVATE;
        if (m_modeActive)
            OnModeActivate(mode->value);
        else
            OnModeDeactivate(mode->value);
        return RESULT_HANDLED_CONTINUE;
    }
    if (id == MSG_BUILD_SETTINGS_LAYOUT) {
        if (auto *doc = static_cast<QVMessage<QDomDocument *> *>(in); doc && doc->value)
            BuildSettingsLayout(doc->value);
        return RESULT_HANDLED_CONTINUE;
    }
    if (id == MSG_SET_SETTING) {
        if (auto *value = static_cast<MsgValue *>(in))
            OnSettingChanged(value->name, value->value);
        return RESULT_HANDLED_CONTINUE;
    }
    if (id == MSG_GET_SETTING) {
        auto *request = static_cast<MsgValue *>(in);
        auto *answer = static_cast<QVMessage<QVariant> *>(out);
        if (!request || !answer)
            return RESULT_NOT_HANDLED;
        return OnGetValue(request->name, &answer->value, request->value);
    }
    if (id == MSG_QUERY_CLOSE)
        return CanExit() ? RESULT_NOT_HANDLED : 1; // 1 keeps the application open
    if (id == MSG_CONNECTED) {
        OnConnected();
        return RESULT_HANDLED_CONTINUE;
    }
    if (id == MSG_DISCONNECTED) {
        OnDisconnected();
        return RESULT_HANDLED_CONTINUE;
    }
    return RESULT_NOT_HANDLED;
}

void CPluginBase::OnUnload()
{
    const auto bars = m_barWindows;
    for (const QPointer<QWidget> &w : bars)
        RemoveBarPane(w);
    const auto views = m_viewWindows;
    for (const QPointer<QWidget> &w : views)
        RemoveView(w);
    m_barWindows.clear();
    m_viewWindows.clear();
}

void CPluginBase::OnModeActivate(int)
{
    for (const QPointer<QWidget> &w : m_viewWindows) {
        if (w) {
            SendValue<QWidget *>(MSG_SHOW_VIEW, w);
            return;
        }
    }
}

int CPluginBase::OnCmdMsg(unsigned id, int code, CommandUpdate *update, CommandHandlerInfo *info)
{
    // A probe (code 0 with an update) is answered like an update.
    if (code == CommandUpdateUi || (code == CommandExecute && update)) {
        if (!update)
            return RESULT_NOT_HANDLED; // nothing to fill in
        if (const int r = OnUpdateCommand(update))
            return r;
    } else if (code == CommandExecute) {
        if (const int r = OnCommand(id))
            return r;
    }

    // Only the first visible window of each kind is asked.
    for (const auto *windows : {&m_viewWindows, &m_barWindows}) {
        for (const QPointer<QWidget> &w : *windows) {
            if (!w || !w->isVisible())
                continue;
            auto *target = qobject_cast<ICommandTarget *>(w.data());
            if (target && target->OnCmdMsg(id, code, update, info))
                return RESULT_DONE;
            break;
        }
    }
    return RESULT_HANDLED_CONTINUE;
}

bool CPluginBase::HasMode(int mode) const
{
    return std::find(m_modes.begin(), m_modes.end(), mode) != m_modes.end();
}

int CPluginBase::SendMessage(const QUuid &id, IMessage *in, IMessage *out)
{
    if (!m_host) {
        qCWarning(lcPluginBase) << "send without a host:" << id;
        return RESULT_NOT_HANDLED;
    }
    return m_host->SendMessage(id, in, out);
}

QVariant CPluginBase::GetValue(const QString &key, const QVariant &defaultValue)
{
    MsgValue in(key, defaultValue);
    QVMessage<QVariant> out(defaultValue);
    if (SendMessage(MSG_GET_SETTING, &in, &out) >= 1)
        return out.value;
    return defaultValue;
}

void CPluginBase::SetValue(const QString &key, const QVariant &value)
{
    // MsgValue copies the key, so a posted send may outlive the caller's string.
    MsgValue in(key, value);
    SendMessage(MSG_SET_SETTING, &in, nullptr);
}

QWidget *CPluginBase::GetViewParent()
{
    return GetValue(QStringLiteral("UI.ViewParentWnd")).value<QWidget *>();
}

QWidget *CPluginBase::GetBarParent()
{
    return GetValue(QStringLiteral("UI.BarParentWnd")).value<QWidget *>();
}

bool CPluginBase::AddBarPane(QWidget *window, const QString &title)
{
    return AddWindow(window, title, GetBarParent(), true);
}

bool CPluginBase::AddView(QWidget *window, const QString &title)
{
    QWidget *parent = GetViewParent();
    if (window && parent)
        window->setGeometry(parent->rect());
    return AddWindow(window, title, parent, false);
}

bool CPluginBase::AddWindow(QWidget *window, const QString &title, QWidget *parent, bool bar)
{
    if (!window)
        return false;
    if (!parent || !OnUiThread("AddWindow")) {
        delete window;
        return false;
    }
    window->setParent(parent);
    window->setWindowTitle(title);
    if (bar && !m_modes.empty())
        SetModeId(window, m_modes.front());
    window->show();

    MsgAddWindow msg;
    msg.window = window;
    msg.title = title;
    if (bar) {
        msg.icon = m_barIcon;
        msg.smallIcon = m_barIcon;
    }
    if (SendMessage(bar ? MSG_ADD_BAR_PANE : MSG_ADD_VIEW, &msg, nullptr) != RESULT_DONE) {
        delete window;
        return false;
    }
    (bar ? m_barWindows : m_viewWindows).emplace_back(window);
    return true;
}

void CPluginBase::RemoveBarPane(QWidget *window)
{
    RemoveWindow(window, true);
}

void CPluginBase::RemoveView(QWidget *window)
{
    RemoveWindow(window, false);
}

void CPluginBase::RemoveWindow(QWidget *window, bool bar)
{
    auto &list = bar ? m_barWindows : m_viewWindows;
    // Windows the host already destroyed leave null entries behind.
    std::erase_if(list, [window](const QPointer<QWidget> &w) { return !w || w == window; });
    if (!window || !OnUiThread("RemoveWindow"))
        return;
    SendValue(bar ? MSG_REMOVE_BAR_PANE : MSG_REMOVE_VIEW, window);
    delete window;
}

int CPluginBase::AddMenu(const MenuSpec &menu)
{
    return SendValue(MSG_MENU_ADD, menu);
}

int CPluginBase::ReplaceMenu(const MenuSpec &menu)
{
    return SendValue(MSG_MENU_REPLACE, menu);
}

int CPluginBase::AddAccelerators(const AcceleratorTable &table)
{
    return SendValue(MSG_ACCELERATORS_ADD, table);
}

int CPluginBase::RemoveAccelerators(const AcceleratorTable &table)
{
    return SendValue(MSG_ACCELERATORS_REMOVE, table);
}

// ---- settings layout --------------------------------------------------------

QDomElement CPluginBase::LayoutCategory(const QDomNode &parent, const QString &id, const QString &label)
{
    if (parent.isNull())
        return {};
    if (QDomElement found = ChildElement(parent, QStringLiteral("category"), id); !found.isNull())
        return found;
    QDomElement category = NewElement(parent, QStringLiteral("category"));
    if (category.isNull())
        return {};
    category.setAttribute(QStringLiteral("id"), id);
    category.setAttribute(QStringLiteral("label"), label);
    QDomNode(parent).appendChild(category);
    return category;
}

QDomElement CPluginBase::LayoutGroup(const QDomElement &category, const QString &id, const QString &label)
{
    if (category.isNull())
        return {};
    QDomElement layout = ChildElement(category, QStringLiteral("layout"));
    if (!layout.isNull()) {
        if (QDomElement found = ChildElement(layout, QStringLiteral("group"), id); !found.isNull())
            return found;
    } else {
        layout = NewElement(category, QStringLiteral("layout"));
        QDomElement(category).appendChild(layout);
    }
    QDomElement group = NewElement(category, QStringLiteral("group"));
    group.setAttribute(QStringLiteral("id"), id);
    group.setAttribute(QStringLiteral("label"), label);
    layout.appendChild(group);
    return group;
}

QDomElement CPluginBase::LayoutLabel(const QDomElement &group, const QString &text)
{
    if (group.isNull())
        return {};
    QDomElement label = NewElement(group, QStringLiteral("label"));
    label.appendChild(OwnerDocument(group).createTextNode(text));
    QDomElement(group).appendChild(label);
    return label;
}

QDomElement CPluginBase::LayoutSetting(const QDomElement &group, const QString &label, const QString &type,
                                       const QString &key, const QString &defaultValue)
{
    if (group.isNull() || label.isNull() || type.isEmpty() || key.isEmpty())
        return {};
    QDomElement setting = NewElement(group, QStringLiteral("setting"));
    setting.setAttribute(QStringLiteral("type"), type);
    setting.setAttribute(QStringLiteral("key"), key);
    if (!defaultValue.isNull())
        setting.setAttribute(QStringLiteral("default"), defaultValue);
    LayoutLabel(setting, label);
    QDomElement(group).appendChild(setting);
    return setting;
}

QDomElement CPluginBase::LayoutTextSetting(const QDomElement &group, const QString &label, const QString &key,
                                           const QString &defaultValue)
{
    return LayoutSetting(group, label, QStringLiteral("text"), key, defaultValue);
}

} // namespace QVPlugin
