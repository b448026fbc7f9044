#pragma once
// The probe: a plug-in that records every bus message it hears, answers with
// scripted results, owns one mode with a bar page and a view, merges a menu
// and accelerators when its mode activates and runs the commands it is given.
// Compiled into the tests and built as a library (fixtures/ProbeModule.cpp);
// all in this header, so both sides agree on its layout.

#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "plugins/xmpp/PluginBase.h"

#include <QLabel>
#include <QPixmap>
#include <QStringList>

#include <functional>
#include <map>
#include <set>

namespace hosttest {

using namespace QVPlugin;

inline constexpr QUuid kProbeId{0x9B0B0000, 0x1, 0x2, 0x3, 0x4, 0x5, 0x6, 0x7, 0x8, 0x9, 0x10};

// A readable name for the ids the tests look for.
inline QString MessageName(const QUuid &id)
{
    static const std::map<QUuid, const char *> names = {
        {MSG_SET_SETTING, "SET_SETTING"}, {MSG_MODE_ACTIVATE, "MODE_ACTIVATE"},
        {MSG_MODE_DEACTIVATE, "MODE_DEACTIVATE"}, {MSG_QUERY_CLOSE, "QUERY_CLOSE"},
        {MSG_LOGIN, "LOGIN"}, {MSG_LOGOUT, "LOGOUT"},
        {MSG_COMMAND, "COMMAND"}, {MSG_MENU_REMOVE_COMMAND, "MENU_REMOVE_COMMAND"},
    };
    const auto it = names.find(id);
    return it == names.end() ? id.toString() : QString::fromLatin1(it->second);
}

class CProbePlugin : public CPluginBase
{
public:
    // journal: also gets every entry, prefixed with the name; may be null.
    CProbePlugin(const QString &name, int mode, QStringList *journal = nullptr)
        : CPluginBase(0, {}), m_name(name), m_journal(journal)
    {
        m_modes.push_back(mode);
        QPixmap icon(24, 24);
        icon.fill(QColor(0x3a, 0x7b, 0xc8));
        m_barIcon = QIcon(icon);
    }

    const QUuid *GetId() const override { return &kProbeId; }

    bool OnLoad() override
    {
        // What the plug-ins initialised before it answer.
        Note(QStringLiteral("load, view parent %1, greeting %2")
                 .arg(QLatin1String(GetViewParent() ? "set" : "missing"),
                      GetValue(QStringLiteral("probe.greeting"), QStringLiteral("none")).toString()));
        if (onLoad)
            onLoad();
        if (!addWindows)
            return true;
        auto *pane = new QLabel(QStringLiteral("%1 item 1\n%1 item 2").arg(m_name));
        pane->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        auto *view = new QLabel(QStringLiteral("The %1 view").arg(m_name));
        view->setObjectName(m_name + QStringLiteral("View"));
        view->setAlignment(Qt::AlignCenter);
        return AddBarPane(pane, m_name) && AddView(view, m_name);
    }

    int OnMessage(const QUuid &id, IMessage *in, IMessage *out) override
    {
        QString entry = MessageName(id);
        if (id == MSG_COMMAND && in) {
            const auto *details = static_cast<CmdMsgDetails *>(in);
            entry += QStringLiteral(" %1 mode %2 code %3").arg(details->id).arg(details->mode).arg(details->code);
        } else if ((id == MSG_MODE_ACTIVATE || id == MSG_MODE_DEACTIVATE) && in) {
            entry += QLatin1Char(' ') + QString::number(static_cast<QVMessage<int> *>(in)->value);
        }
        Note(entry);
        if (const auto it = results.find(id); it != results.end())
            return it->second;
        return CPluginBase::OnMessage(id, in, out);
    }

    void OnModeActivate(int mode) override
    {
        if (!menu.children.empty())
            AddMenu(menu);
        if (!accelerators.empty())
            AddAccelerators(accelerators);
        CPluginBase::OnModeActivate(mode);
    }

    int OnCommand(unsigned id) override
    {
        if (!commands.count(id))
            return 0;
        Note(QStringLiteral("ran %1").arg(id));
        return 1;
    }

    int OnUpdateCommand(CommandUpdate *update) override
    {
        if (!commands.count(update->Id()))
            return 0;
        update->Enable();
        return 1;
    }

    void Note(const QString &entry)
    {
        heard << entry;
        if (m_journal)
            *m_journal << m_name + QLatin1Char(':') + entry;
    }

    QString Name() const { return m_name; }
    void SetJournal(QStringList *journal) { m_journal = journal; }

    QStringList heard; // in order: "COMMAND 40000 mode 1000 code 0", "MODE_ACTIVATE 1000"
    std::map<QUuid, int> results; // answers by message id, before the base class sees it
    std::set<unsigned> commands; // run and enabled while the mode is active
    MenuSpec menu; // merged, with the keys, when the mode activates
    AcceleratorTable accelerators;
    bool addWindows = true;
    std::function<void()> onLoad;

private:
    QString m_name;
    QStringList *m_journal;
};

} // namespace hosttest
