#pragma once
// CPluginBase: the base of every plug-in object a plug-in library registers.
// It keeps the host handle, the plug-in's modes and the windows it gave the
// host, turns the host's common messages into the overridable operations
// below, and offers typed helpers for configuration values, windows, menus,
// accelerators and the settings layout.
//
// A derived plug-in returns its identity from GetId, pushes its mode ids in
// its constructor, overrides what it cares about and hands every message it
// does not handle itself to CPluginBase::OnMessage.
//
// Threading: user-interface thread, like every bus handler. GetValue and
// SetValue may also be called from a worker thread (GetValue then waits for
// the user-interface thread; SetValue is posted and returns at once).

#include "bus/Commands.h"
#include "bus/QVPlugin.h"

#include <QDomElement>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <functional>
#include <vector>

class QDomDocument;
class QDomNode;

namespace QVPlugin {

class CPluginBase : public IPlugin
{
public:
    // Looks a text up in the plug-in library's own string table.
    using StringLookup = std::function<QString(unsigned id)>;

    CPluginBase(const CPluginBase &) = delete;
    CPluginBase &operator=(const CPluginBase &) = delete;

    // IPlugin (GetId is the derived class's).
    int GetVersion() const override { return m_version; }
    QString GetName() const override { return m_name; }
    QString GetDescription() const override { return m_description; }
    // Null host: false. Otherwise OnLoad; when it fails, OnUnload and false.
    bool Initialize(IHost *host) override;
    void Uninitialize() override;
    // Deletes the object.
    void Release() override;
    int OnMessage(const QUuid &id, IMessage *in, IMessage *out) override;
    void OnTimer(unsigned) override {}

    // The overridable operations.
    virtual bool OnLoad() { return true; }
    // Removes every bar window, then every view window.
    virtual void OnUnload();
    virtual void OnRelease() {}
    // Shows the first view window.
    virtual void OnModeActivate(int mode);
    virtual void OnModeDeactivate(int) {}
    virtual void OnSettingChanged(const QString &, const QVariant &) {}
    // Answers a configuration read: fill *out and return 1 to stop the walk,
    // 2 to let the others see it too; 0 leaves it to the others.
    virtual int OnGetValue(const QString &, QVariant *, const QVariant &) { return 0; }
    // Adds the plug-in's categories to the host's settings layout.
    virtual void BuildSettingsLayout(QDomDocument *) {}
    // A command of an owned mode (see bus/Commands.h): the plug-in's own
    // handlers first, then the first visible view, then the first visible
    // bar window; 2 when nobody takes it.
    virtual int OnCmdMsg(unsigned id, int code, CommandUpdate *update, CommandHandlerInfo *info);
    virtual int OnCommand(unsigned) { return 0; }
    virtual int OnUpdateCommand(CommandUpdate *) { return 0; }
    virtual bool CanExit() { return true; }
    virtual void OnConnected() {}
    virtual void OnDisconnected() {}
    virtual bool HasMode(int mode) const;

    bool IsModeActive() const { return m_modeActive; }
    IHost *Host() const { return m_host; }
    // Registered windows; their parents own them.
    const std::vector<QPointer<QWidget>> &BarWindows() const { return m_barWindows; }
    const std::vector<QPointer<QWidget>> &ViewWindows() const { return m_viewWindows; }

    // Configuration values. The default comes back when nobody answers
    // (result below 1), even if a handler changed the out value.
    QVariant GetValue(const QString &key, const QVariant &defaultValue = QVariant());
    void SetValue(const QString &key, const QVariant &value);

    // The host's parent windows, owned by the host; null when it has none.
    QWidget *GetViewParent();
    QWidget *GetBarParent();

    // Take ownership of window: it becomes a visible child of the bar (view)
    // parent and is registered with the host; when that fails it is deleted
    // and the result is false.
    bool AddBarPane(QWidget *window, const QString &title);
    bool AddView(QWidget *window, const QString &title);
    // Unregister the window and delete it.
    void RemoveBarPane(QWidget *window);
    void RemoveView(QWidget *window);

    int AddMenu(const MenuSpec &menu);
    int ReplaceMenu(const MenuSpec &menu);
    int AddAccelerators(const AcceleratorTable &table);
    int RemoveAccelerators(const AcceleratorTable &table);

    // Settings-layout builders. Each returns the element it found or made;
    // a null input node gives a null element and adds nothing.
    // The category with this id directly below parent, made when missing.
    static QDomElement LayoutCategory(const QDomNode &parent, const QString &id, const QString &label);
    // The group with this id in the category's "layout", made when missing.
    static QDomElement LayoutGroup(const QDomElement &category, const QString &id, const QString &label);
    static QDomElement LayoutLabel(const QDomElement &group, const QString &text);
    // A null label or an empty type or key adds nothing; a null default
    // leaves out the "default" attribute. Further attributes ("from", "to")
    // are the caller's, on the returned element.
    static QDomElement LayoutSetting(const QDomElement &group, const QString &label, const QString &type,
                                     const QString &key, const QString &defaultValue = QString());
    static QDomElement LayoutTextSetting(const QDomElement &group, const QString &label, const QString &key,
                                         const QString &defaultValue = QString());

protected:
    // nameId: the plug-in's name in its library's string table; the
    // description follows at nameId + 1.
    CPluginBase(unsigned nameId, const StringLookup &strings);
    ~CPluginBase() override;

    // Sends through the host with this plug-in as sender; 0 without a host.
    int SendMessage(const QUuid &id, IMessage *in, IMessage *out);
    // Sends a QVMessage<T> of the value, without out payload.
    template <typename T>
    int SendValue(const QUuid &id, const T &value)
    {
        QVMessage<T> msg(value);
        return SendMessage(id, &msg, nullptr);
    }

    IHost *m_host = nullptr;
    int m_version = PLUGIN_VERSION;
    unsigned m_nameId;
    unsigned m_descriptionId;
    std::vector<int> m_modes; // mode ids this plug-in owns
    bool m_modeActive = false;
    QIcon m_barIcon; // shown on the plug-in's outlook-bar page

private:
    bool AddWindow(QWidget *window, const QString &title, QWidget *parent, bool bar);
    void RemoveWindow(QWidget *window, bool bar);

    std::vector<QPointer<QWidget>> m_barWindows;
    std::vector<QPointer<QWidget>> m_viewWindows;
    QString m_name;
    QString m_description;
};

} // namespace QVPlugin
