#pragma once
// A recording host that also hands the editor plug-in parent windows and
// takes its bar page and view, so that the plug-in loads as in the program.
// The view's previews go to panes that only keep their page (no web engine).

#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "plugins/kbeditor/LumoryView.h"
#include "tests/xmpp/FakeHost.h"

#include <QWidget>

namespace lumorytest {

class FakePane : public QWidget, public IArticlePreviewPane
{
public:
    using QWidget::QWidget;
    QWidget *Widget() override { return this; }
    void ShowHtml(const QString &page) override
    {
        html = page;
        ++loads;
    }
    QString html;
    int loads = 0;
};

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
            QWidget *window = static_cast<QVPlugin::MsgAddWindow *>(in)->window;
            if (auto *view = qobject_cast<CLumoryView *>(window))
                view->SetPaneFactory([](QWidget *parent) { return new FakePane(parent); });
            added.push_back(window);
            return 1;
        }
        return FakeHost::SendMessage(id, in, out);
    }

    QWidget parent;
    std::vector<QWidget *> added; // the bar page, then the view
};

} // namespace lumorytest
