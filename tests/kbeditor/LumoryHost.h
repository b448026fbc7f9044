#pragma once
// A recording host that also hands the editor plug-in parent windows and
// takes its bar page and view, so that the plug-in loads as in the program.

#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "tests/xmpp/FakeHost.h"

#include <QWidget>

namespace lumorytest {

class LumoryHost : public xmpptest::FakeHost
{
public:
    int SendMessage(const QUuid &id, QVPlugin::IMessage *in, QVPlugin::IMessage *out) override
    {
        if (id == QVPlugin::MSG_GET_SETTING) {
            static_cast<QVPlugin::QVMessage<QVariant> *>(out)->value = QVariant::fromValue<QWidget *>(&parent);
            return 1;
        }
        if (id == QVPlugin::MSG_ADD_BAR_PANE || id == QVPlugin::MSG_ADD_VIEW) {
            added.push_back(static_cast<QVPlugin::MsgAddWindow *>(in)->window);
            return 1;
        }
        return FakeHost::SendMessage(id, in, out);
    }

    QWidget parent;
    std::vector<QWidget *> added; // the bar page, then the view
};

} // namespace lumorytest
