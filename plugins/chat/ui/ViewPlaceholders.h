#pragma once
// Stand-ins for the visitor list and the visitor chat pane in the monitor
// view until the real windows take their places: the list only remembers
// which visitors it holds, the pane has no chats. User-interface thread only.

#include "plugins/chat/model/VisitorRouter.h"

#include <QWidget>

#include <set>

class CVisitorListPlaceholder : public QWidget, public IVisitorListView
{
public:
    explicit CVisitorListPlaceholder(QWidget *parent = nullptr);

    void AddVisitor(CVisitor *visitor) override { m_visitors.insert(visitor); }
    void UpdateVisitor(CVisitor *) override {}
    void RemoveVisitor(CVisitor *visitor) override;
    bool SelectVisitor(CVisitor *visitor) override;
    void RefreshTimes() override {}

    CVisitor *Selected() const { return m_selected; }

private:
    std::set<CVisitor *> m_visitors;
    CVisitor *m_selected = nullptr;
};

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
