#include "plugins/chat/ui/TessaryBar.h"

#include "plugins/chat/model/MessageChannel.h"
#include "plugins/chat/model/QuickText.h"
#include "plugins/chat/session/Chat.h"
#include "plugins/chat/ui/QuickTextTree.h"
#include "skins/QVSplitter.h"
#include "skins/WndWithHeader.h"

#include <QContextMenuEvent>
#include <QImage>
#include <QListWidget>
#include <QPixmap>
#include <QTextDocument>
#include <QVBoxLayout>

#include <functional>

using namespace QVPlugin;

namespace {

constexpr int kImageSize = 16;
constexpr int kPointerRole = Qt::UserRole;
constexpr int kFrameRole = Qt::UserRole + 1;

const QString kBarSection = QStringLiteral("Tessary\\Bar");

// The agents list sorts by name the way agents read it: without regard to case.
class AgentItem : public QListWidgetItem
{
public:
    using QListWidgetItem::QListWidgetItem;
    bool operator<(const QListWidgetItem &other) const override
    {
        const int folded = text().compare(other.text(), Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : text() < other.text();
    }
};

// The conversation list tells where its context menu belongs: at the
// selected entry from the keyboard, under the cursor from the mouse.
class ConversationList : public QListWidget
{
public:
    using MenuHandler = std::function<void(QListWidgetItem *, const QPoint &)>;
    ConversationList(MenuHandler handler, QWidget *parent) : QListWidget(parent), m_handler(std::move(handler)) {}

protected:
    void contextMenuEvent(QContextMenuEvent *event) override
    {
        QListWidgetItem *item = nullptr;
        QPoint at = event->globalPos();
        if (event->reason() == QContextMenuEvent::Keyboard) {
            item = currentItem();
            if (item)
                at = viewport()->mapToGlobal(visualItemRect(item).center());
        } else {
            item = itemAt(viewport()->mapFromGlobal(event->globalPos()));
        }
        if (item)
            m_handler(item, at);
        event->accept();
    }

private:
    MenuHandler m_handler;
};

QVariant PointerData(const void *pointer)
{
    return QVariant::fromValue(reinterpret_cast<quintptr>(pointer));
}

template <typename T>
T *PointerOf(const QListWidgetItem *item)
{
    return item ? reinterpret_cast<T *>(item->data(kPointerRole).value<quintptr>()) : nullptr;
}

QListWidgetItem *FindByPointer(const QListWidget *list, const void *pointer)
{
    const auto key = reinterpret_cast<quintptr>(pointer);
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->data(kPointerRole).value<quintptr>() == key)
            return list->item(row);
    }
    return nullptr;
}

CWndWithHeader *AddSection(CQVSplitter *splitter, const QString &title, QWidget *content)
{
    auto *section = new CWndWithHeader(splitter);
    section->setWindowTitle(title);
    content->setParent(section);
    splitter->addWidget(section);
    splitter->SetPaneInfo(splitter->count() - 1, 100, 50);
    return section;
}

void SetUpList(QListWidget *list, int id)
{
    list->setObjectName(QStringLiteral("c%1").arg(id));
    list->setViewMode(QListView::ListMode);
    list->setIconSize(QSize(kImageSize, kImageSize));
    list->setFocusPolicy(Qt::StrongFocus);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

} // namespace

CTessaryBar::CTessaryBar(CQuickTextList *quickTexts, QWidget *parent, int blinkPeriodMs)
    : QWidget(parent), m_blinkPeriodMs(blinkPeriodMs)
{
    // Our own pictures: a strip of blink frames and one picture per presence.
    const QImage strip(QStringLiteral(":/tessary/BITMAP/10054.svg"));
    for (int x = 0; x + kImageSize <= strip.width(); x += kImageSize)
        m_blinkFrames.emplace_back(QPixmap::fromImage(strip.copy(x, 0, kImageSize, kImageSize)));
    // A missing strip must not leave the blinking without a frame to wrap at.
    if (m_blinkFrames.empty())
        m_blinkFrames.emplace_back();
    const QString offline = QStringLiteral(":/tessary/BITMAP/10060.svg");
    for (const QString &path : {offline, offline, offline, QStringLiteral(":/tessary/BITMAP/10061.svg"),
                                QStringLiteral(":/tessary/BITMAP/10057.svg"), QStringLiteral(":/tessary/BITMAP/10058.svg"),
                                QStringLiteral(":/tessary/BITMAP/10056.svg")})
        m_agentIcons.emplace_back(path);

    m_splitter = new CQVSplitter(kBarSection, Qt::Vertical, this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);

    m_tree = new CQuickTextTree(this);
    m_tree->setRootIsDecorated(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    AddSection(m_splitter, tr("Common Phrases"), m_tree);
    if (quickTexts)
        m_tree->Attach(quickTexts);

    m_conversations = new ConversationList(
        [this](QListWidgetItem *item, const QPoint &at) { ConversationMenu(item, at); }, nullptr);
    SetUpList(m_conversations, kConversationsId);
    AddSection(m_splitter, tr("Conversations/Current Chats"), m_conversations);

    m_agents = new QListWidget;
    SetUpList(m_agents, kAgentsId);
    m_agents->setSortingEnabled(true);
    m_agents->sortItems(Qt::AscendingOrder);
    AddSection(m_splitter, tr("Agents"), m_agents);

    connect(m_conversations, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        if (CChat *chat = PointerOf<CChat>(item))
            emit chatActivated(chat);
    });
    connect(m_agents, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        if (const ChatContact *contact = PointerOf<ChatContact>(item))
            emit contactActivated(contact->jid);
    });

    connect(&m_blinkTimer, &QTimer::timeout, this, &CTessaryBar::BlinkStep);
}

CTessaryBar::~CTessaryBar() = default;

bool CTessaryBar::OnCmdMsg(unsigned id, int code, CommandUpdate *update, CommandHandlerInfo *)
{
    // Only the tree's "Send" arrives here, as the item's command. The tree
    // runs its other commands itself: their ids are the visitor pane's in
    // the frame's menu (10247 is "Join Chat" there).
    const unsigned number = id - CQuickTextList::kFirstCommand;
    if (id <= CQuickTextList::kFirstCommand || number > CQuickTextList::kLastNumber || code != CommandExecute || update)
        return false;
    emit quickTextChosen(number);
    return true;
}

QIcon CTessaryBar::AgentIcon(int state) const
{
    return state >= 0 && size_t(state) < m_agentIcons.size() ? m_agentIcons[size_t(state)] : QIcon();
}

int CTessaryBar::ImageOf(const CChat *chat) const
{
    const QListWidgetItem *item = EntryOf(chat);
    return item ? item->data(kFrameRole).toInt() : -1;
}

void CTessaryBar::BlinkStep()
{
    m_blinkFrame = (m_blinkFrame + 1) % BlinkCount();
    for (int row = 0; row < m_conversations->count(); ++row) {
        QListWidgetItem *item = m_conversations->item(row);
        const CChat *chat = PointerOf<CChat>(item);
        if (chat && chat->channel().IsUnread())
            SetEntryImage(item, m_blinkFrame);
        else if (item->data(kFrameRole).toInt() != kSteadyImage)
            SetEntryImage(item, kSteadyImage);
    }
}

void CTessaryBar::AddAgent(ChatContact *contact)
{
    if (!contact || contact->state == PresenceOffline)
        return;
    if (QListWidgetItem *item = AgentItemOf(contact))
        return ShowAgent(item, contact);
    auto *item = new AgentItem;
    item->setData(kPointerRole, PointerData(contact));
    ShowAgent(item, contact);
    m_agents->addItem(item);
}

void CTessaryBar::UpdateAgent(ChatContact *contact)
{
    if (!contact)
        return;
    QListWidgetItem *item = AgentItemOf(contact);
    if (!item)
        AddAgent(contact);
    else if (contact->state == PresenceOffline)
        delete item;
    else
        ShowAgent(item, contact);
}

void CTessaryBar::RemoveAgent(ChatContact *contact)
{
    delete AgentItemOf(contact);
}

void CTessaryBar::AddChatEntry(CChat *chat)
{
    // A chat is announced once for itself and again for each window it gets.
    if (!chat || EntryOf(chat))
        return;
    auto *item = new QListWidgetItem(chat->title());
    item->setData(kPointerRole, PointerData(chat));
    SetEntryImage(item, kSteadyImage);
    m_conversations->addItem(item);
    if (m_blinkPeriodMs > 0 && !m_blinkTimer.isActive())
        m_blinkTimer.start(m_blinkPeriodMs);
}

void CTessaryBar::RemoveChatEntry(CChat *chat)
{
    delete EntryOf(chat);
    if (m_conversations->count() == 0)
        m_blinkTimer.stop();
}

QListWidgetItem *CTessaryBar::EntryOf(const CChat *chat) const
{
    return chat ? FindByPointer(m_conversations, chat) : nullptr;
}

QListWidgetItem *CTessaryBar::AgentItemOf(const ChatContact *contact) const
{
    return contact ? FindByPointer(m_agents, contact) : nullptr;
}

void CTessaryBar::ShowAgent(QListWidgetItem *item, const ChatContact *contact)
{
    item->setText(ContactName(*contact));
    item->setIcon(AgentIcon(contact->state));
    // A resource may look like markup; a tool tip would show it as such.
    item->setToolTip(Qt::convertFromPlainText(contact->jid.Str()));
}

void CTessaryBar::SetEntryImage(QListWidgetItem *item, int frame)
{
    item->setData(kFrameRole, frame);
    item->setIcon(m_blinkFrames[size_t(frame)]);
}

void CTessaryBar::ConversationMenu(QListWidgetItem *item, const QPoint &globalPos)
{
    if (CChat *chat = PointerOf<CChat>(item))
        emit chatMenuRequested(chat, globalPos);
}
