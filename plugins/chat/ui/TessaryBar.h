#pragma once
// CTessaryBar: the live-chat plug-in's page in the host's outlook bar. Three
// headed rows in a splitter that keeps its row sizes ("Tessary\Bar"): the
// quick-text tree, the current conversations (an entry blinks while its
// chat's channel has unread lines) and the online agents, sorted by name
// without regard to case, each with the picture of its presence.
//
// The bar follows the contact list and the chat table only through their
// signals and opens nothing itself: a double-click is announced with
// chatActivated or contactActivated, and the core opens the chat.
//
// Chats and contacts are not owned; the bar keeps their pointers until it is
// told they are removed. Threading: user-interface thread only.

#include "bus/ChatPayloads.h"
#include "bus/Commands.h"

#include <QIcon>
#include <QTimer>
#include <QWidget>

#include <vector>

class CChat;
class CQuickTextList;
class CQuickTextTree;
class CQVSplitter;
class QListWidget;
class QListWidgetItem;

class CTessaryBar : public QWidget, public QVPlugin::ICommandTarget
{
    Q_OBJECT
    Q_INTERFACES(QVPlugin::ICommandTarget)
public:
    static constexpr int kBlinkPeriodMs = 200;
    static constexpr int kAgentsId = 111;
    static constexpr int kConversationsId = 112;
    // The frame shown by a conversation without unread lines.
    static constexpr int kSteadyImage = 0;

    // quickTexts: not owned, outlives the bar. blinkPeriodMs 0 starts no
    // timer (tests call BlinkStep).
    explicit CTessaryBar(CQuickTextList *quickTexts, QWidget *parent = nullptr, int blinkPeriodMs = kBlinkPeriodMs);
    ~CTessaryBar() override;

    // A quick text the tree sends is announced with quickTextChosen; the
    // bar takes no other command.
    bool OnCmdMsg(unsigned id, int code, QVPlugin::CommandUpdate *update, QVPlugin::CommandHandlerInfo *info) override;

    CQuickTextTree *QuickTextTree() const { return m_tree; }
    QListWidget *Conversations() const { return m_conversations; }
    QListWidget *Agents() const { return m_agents; }
    CQVSplitter *Splitter() const { return m_splitter; }

    // The frame that unread conversations show now, and how many there are.
    int BlinkFrame() const { return m_blinkFrame; }
    int BlinkCount() const { return int(m_blinkFrames.size()); }
    // The frame an entry shows, or -1 when the chat has no entry.
    int ImageOf(const CChat *chat) const;
    // One step of the blinking; the timer calls it.
    void BlinkStep();

    // The presence picture of a PresenceState value; null beyond them.
    QIcon AgentIcon(int state) const;

public slots:
    // The contact list's added, changed and removed signals.
    void AddAgent(QVPlugin::ChatContact *contact);
    void UpdateAgent(QVPlugin::ChatContact *contact);
    void RemoveAgent(QVPlugin::ChatContact *contact);
    // The chat table's chats and windows; a chat has one entry however
    // many of these announce it.
    void AddChatEntry(CChat *chat);
    void RemoveChatEntry(CChat *chat);

signals:
    // The tree sent the quick text with this number: the core inserts it
    // into the chat input.
    void quickTextChosen(unsigned number);
    // A conversation was double-clicked: the core shows that chat.
    void chatActivated(CChat *chat);
    // An agent was double-clicked: the core opens (or raises) a chat with it.
    void contactActivated(const QVPlugin::Jid &jid);
    // A context menu over a conversation, at globalPos.
    void chatMenuRequested(CChat *chat, const QPoint &globalPos);

private:
    QListWidgetItem *EntryOf(const CChat *chat) const;
    QListWidgetItem *AgentItemOf(const QVPlugin::ChatContact *contact) const;
    void ShowAgent(QListWidgetItem *item, const QVPlugin::ChatContact *contact);
    void SetEntryImage(QListWidgetItem *item, int frame);
    void ConversationMenu(QListWidgetItem *item, const QPoint &globalPos);

    CQVSplitter *m_splitter = nullptr;
    CQuickTextTree *m_tree = nullptr;
    QListWidget *m_conversations = nullptr;
    QListWidget *m_agents = nullptr;
    std::vector<QIcon> m_blinkFrames;
    std::vector<QIcon> m_agentIcons;
    int m_blinkFrame = 0;
    const int m_blinkPeriodMs;
    // Runs only while there are conversations: an idle bar wakes nobody.
    QTimer m_blinkTimer{this};
};
