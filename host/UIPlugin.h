#pragma once
// CUIPlugin: the host's own plug-in, first in dispatch order, and the only
// way plug-ins reach the main frame: parent windows, outlook-bar pages and
// views, menus and accelerators merged into the frame's, modes, alerts,
// presence state, connection errors and the skin setting. The frame uses it
// to route commands to the plug-ins and to ask them before it closes.
//
// Owned by the bus once registered (Release deletes it). User-interface
// thread only.

#include "bus/Commands.h"
#include "bus/QVPlugin.h"
#include "host/MenuModel.h"

class IUIFrame;

class CUIPlugin final : public QVPlugin::IPlugin
{
public:
    // frame: not owned; outlives the plug-in.
    explicit CUIPlugin(IUIFrame *frame);

    const QUuid *GetId() const override;
    int GetVersion() const override { return QVPlugin::PLUGIN_VERSION; }
    QString GetName() const override { return {}; }
    QString GetDescription() const override { return {}; }
    // Shows the host's own menu and accelerators; false without a frame.
    bool Initialize(QVPlugin::IHost *host) override;
    void Uninitialize() override {}
    void Release() override { delete this; }
    int OnMessage(const QUuid &id, QVPlugin::IMessage *in, QVPlugin::IMessage *out) override;
    void OnTimer(unsigned) override {}

    // -1 until a mode was activated.
    int CurrentMode() const { return m_mode; }
    // Before the outlook bar's page changes: saves the mode's layout and tells
    // its plug-in. False when the plug-in refuses (a negative answer).
    bool DeactivateMode();
    // Makes mode current: the host's menu and accelerators come back, the
    // mode's layout is loaded and its plug-in merges its own. False when the
    // plug-in answers negatively.
    bool ActivateMode(int mode);

    // MSG_COMMAND to the plug-in that owns the current mode; true when it
    // took the command (a result other than 0 and 2).
    bool RouteCommand(unsigned id, int code, QVPlugin::CommandUpdate *update, QVPlugin::CommandHandlerInfo *info);
    // MSG_QUERY_CLOSE; true when no plug-in keeps the program open.
    bool QueryClose();

    static QString ModeSection(int mode);

private:
    int Send(const QUuid &id, QVPlugin::IMessage *in, QVPlugin::IMessage *out);
    void ApplyMenu();
    void SetAccelerators(QVPlugin::AcceleratorTable table);
    int OnMenuMerge(QVPlugin::IMessage *in, CMenuModel::MergeMode mode);
    int OnConnectionError(int code);

    IUIFrame *m_frame;
    QVPlugin::IHost *m_host = nullptr;
    int m_mode = -1;
    CMenuModel m_menu;
    QVPlugin::AcceleratorTable m_accelerators;
    // Off while a mode's plug-in merges its menus, so the bar is rebuilt once.
    bool m_menuReady = true;
};
