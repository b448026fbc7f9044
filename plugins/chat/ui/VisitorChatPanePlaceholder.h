#pragma once
// A stand-in for the visitor chat pane in the monitor view until the real
// pane takes its place: it has no chats and only remembers which visitor it
// was asked to show. User-interface thread only.

#include "plugins/chat/model/VisitorRouter.h"

#include <QWidget>

class CVisitorChatPanePlaceholder : public QWidget, public IVisitorChatPane
{
public:
    explicit CVisitorChatPanePlaceholder(QWidget *parent = nullptr);

    bool HasOpenChat(const QVPlugin::Jid &) const override { return false; }
    void EndVisitorChat(const QVPlugin::Jid &) override {}
    void AddVisitorMessage(CVisitor &, const QString &) override {}
    void AddSessionNotification(CVisitor &, const QString &) override {}
    void OnHistoryChanged(CVisitor &) override {}
    void OpenVisitorChat(CVisitor &, int) override {}
    void ShowVisitor(CVisitor *visitor) override { m_shown = visitor; }
    void ActivateVisitorChat(CVisitor &visitor) override { m_shown = &visitor; }
    void ForgetVisitor(const CVisitor *visitor) override;

    CVisitor *Shown() const { return m_shown; }

private:
    CVisitor *m_shown = nullptr;
};
