#include "plugins/chat/ui/ChatWnd.h"

#include "plugins/chat/ChatLog.h"
#include "plugins/chat/model/ChatSettings.h"
#include "plugins/chat/model/MessageChannel.h"
#include "plugins/chat/model/QuickText.h"
#include "plugins/chat/model/QuickTextMenu.h"
#include "plugins/chat/model/UiThread.h"
#include "plugins/chat/session/EmoticonCodes.h"
#include "plugins/chat/session/Greeting.h"
#include "plugins/chat/session/Rtf.h"
#include "plugins/chat/session/TimeFormat.h"
#include "plugins/chat/ui/ChatRTFCtrl.h"
#include "plugins/chat/ui/InputRichEditCtrl.h"
#include "shared/Prompt.h"
#include "skins/QVButton.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <QTimerEvent>
#include <QToolButton>
#include <QWidgetAction>

#include <climits>
#include <functional>

using QVPlugin::ChatMessage;
using QVPlugin::Jid;

namespace {

const QString &kDefaultTimeFormat = ChatSettings::kTimeFormatDefault;
const QString kLastReceived = QStringLiteral("Last message received at: ");

// The picture shown while no peer picture is known: a head and shoulders.
QImage DefaultPicture()
{
    QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0xdd, 0xe3, 0xea));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x8a, 0x99, 0xab));
    painter.drawEllipse(QRectF(15, 8, 18, 18));
    QPainterPath shoulders;
    shoulders.addRoundedRect(QRectF(7, 29, 34, 26), 12, 12);
    painter.drawPath(shoulders);
    return image;
}

// The status picture while the peer types: three dots in a bubble.
QPixmap TypingPicture()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(0x4a, 0x6f, 0x96));
    painter.setBrush(QColor(0xf4, 0xf8, 0xfc));
    painter.drawRoundedRect(QRectF(0.5, 2.5, 15, 10), 4, 4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x4a, 0x6f, 0x96));
    for (int i = 0; i < 3; ++i)
        painter.drawEllipse(QRectF(3 + i * 4, 6.5, 2, 2));
    return pixmap;
}

// The glyph of the Detach button (a window with an arrow out of it) or of
// the Close button (a cross).
QPixmap CaptionGlyph(bool close)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x3a, 0x4a, 0x5c), 1.6, Qt::SolidLine, Qt::RoundCap));
    if (close) {
        painter.drawLine(QPointF(4, 4), QPointF(12, 12));
        painter.drawLine(QPointF(12, 4), QPointF(4, 12));
    } else {
        painter.drawRect(QRectF(2.5, 5.5, 8, 8));
        painter.drawLine(QPointF(7, 9), QPointF(13.5, 2.5));
        painter.drawLine(QPointF(9.5, 2.5), QPointF(13.5, 2.5));
        painter.drawLine(QPointF(13.5, 2.5), QPointF(13.5, 6.5));
    }
    return pixmap;
}

// A body held as RTF, as the 8-bit text the reader takes: characters
// beyond ASCII become RTF escapes so none is lost.
QByteArray RtfBytes(const QString &body)
{
    QByteArray out;
    out.reserve(body.size());
    for (const QChar ch : body) {
        if (ch.unicode() < 0x80) {
            out += char(ch.unicode());
        } else if (const int byte = UnicodeToCp1252(ch); byte >= 0) {
            out += "\\'" + QByteArray::number(byte, 16).rightJustified(2, '0');
        } else {
            out += "\\u" + QByteArray::number(qint16(ch.unicode())) + '?';
        }
    }
    return out;
}

void FillMenu(QMenu *menu, const std::vector<QVPlugin::MenuSpec> &items, const std::function<void(unsigned)> &run)
{
    for (const QVPlugin::MenuSpec &item : items) {
        if (item.separator) {
            menu->addSeparator();
        } else if (!item.children.empty()) {
            FillMenu(menu->addMenu(item.text), item.children, run);
        } else {
            const unsigned id = item.id;
            menu->addAction(item.text, menu, [run, id] { run(id); });
        }
    }
}

} // namespace

CChatWnd::CChatWnd(IChatWndHost &host, QWidget *parent)
    : CQVSkinWnd(parent)
    , m_host(host)
{
    setFocusPolicy(Qt::StrongFocus);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);

    m_transcript = new CChatRTFCtrl(this);
    m_transcript->setObjectName(QStringLiteral("c%1").arg(IdTranscript));
    m_transcript->setFont(font);
    m_transcript->setFocusPolicy(Qt::ClickFocus);

    m_input = new CInputRichEditCtrl(this);
    m_input->setObjectName(QStringLiteral("c%1").arg(IdInput));
    m_input->setFont(font);
    m_input->document()->setDefaultFont(font);
    m_input->setReadOnly(false);
    m_input->setTextInteractionFlags(Qt::TextEditorInteraction);
    m_input->SetTextLimit(2048);
    m_input->installEventFilter(this);
    connect(m_input, &CInputRichEditCtrl::SendRequested, this, &CChatWnd::Send);
    connect(m_input, &CInputRichEditCtrl::Typing, this, &CChatWnd::OnTyping);
    connect(m_input, &QTextEdit::textChanged, this, &CChatWnd::OnInputChanged);

    m_picture = AddButton(IdPicture, QString());
    // The buttons' Alt keys are none of the main frame's menu titles' (File,
    // Edit, View, Tools, Visitor, Web Status, Quick Text, Quelvar, Help), so
    // each Alt key reaches one target.
    AddButton(IdOptions, QStringLiteral("&Options"));
    AddButton(IdSendFile, QStringLiteral("Send F&ile"));
    AddButton(IdTransfer, QStringLiteral("T&ransfer"));
    AddButton(IdSave, QStringLiteral("S&ave"));
    AddButton(IdDetach, QString())->SetImage(CaptionGlyph(false));
    AddButton(IdClose, QString())->SetImage(CaptionGlyph(true));
    Button(IdDetach)->setToolTip(QStringLiteral("Detach Chat"));
    Button(IdClose)->setToolTip(QStringLiteral("Close"));
    CQVButton *emoticons = AddButton(IdEmoticons, QString(), true);
    emoticons->SetTransparent(true);
    if (!m_transcript->EmoticonImages().isEmpty())
        emoticons->SetImage(m_transcript->EmoticonImages().front());
    emoticons->setFixedSize(emoticons->sizeHint());

    m_statusPicture = new QLabel(this);
    m_statusPicture->setObjectName(QStringLiteral("c%1").arg(IdStatusPicture));
    // Shown in colour, but as inert as a disabled item.
    m_statusPicture->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("c%1").arg(IdStatusLabel));
    // Peer names and times reach it: never rich text.
    m_statusLabel->setTextFormat(Qt::PlainText);

    connect(Button(IdEmoticons), &QPushButton::clicked, this, &CChatWnd::OnEmoticonsButton);
    connect(Button(IdOptions), &QPushButton::clicked, this, &CChatWnd::OnOptionsButton);
    connect(Button(IdSendFile), &QPushButton::clicked, this, &CChatWnd::OnSendFile);
    connect(Button(IdTransfer), &QPushButton::clicked, this, &CChatWnd::OnTransfer);
    connect(Button(IdSave), &QPushButton::clicked, this, &CChatWnd::OnSave);
    connect(Button(IdDetach), &QPushButton::clicked, this, [this] { emit detached(this); });
    connect(Button(IdClose), &QPushButton::clicked, this, [this] { window()->close(); });

    ShowDlgItem(IdDetach, true);
    ShowDlgItem(IdClose, false);
    ShowPicture(QImage());
    Relayout();
    setFocusProxy(m_input);
}

CChatWnd::~CChatWnd()
{
    DetachChat();
}

CQVButton *CChatWnd::AddButton(int id, const QString &caption, bool flat)
{
    auto *button = new CQVButton(flat, this);
    button->setObjectName(QStringLiteral("c%1").arg(id));
    button->setText(caption);
    // Clicked or reached by its Alt key only: a button with the focus would
    // take the agent's Space, meant for the input, as a press.
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

CQVButton *CChatWnd::Button(int id) const
{
    return findChild<CQVButton *>(QStringLiteral("c%1").arg(id), Qt::FindDirectChildrenOnly);
}

bool CChatWnd::IsUsable() const
{
    return m_chat && m_chat->IsUsable();
}

QString CChatWnd::GetSkinFormName() const
{
    if (!IsUsable())
        return FormPrefix() + QStringLiteral("ReadOnly");
    return FormPrefix() + QString::number(qBound(1, m_inputLines, 5));
}

QString CChatWnd::StatusText() const
{
    return m_statusLabel->text();
}

QString CChatWnd::StatusTimeFormat() const
{
    // The site path's format where one is stored; else the Timestamp Format
    // the agent sets in Settings, the only clock setting offered there.
    const QString sitePath = m_host.StringSetting(QStringLiteral("sitepath.timestamp.format"), QString());
    return !sitePath.isEmpty() ? sitePath : m_host.StringSetting(ChatSettings::kTimestampFormat, kDefaultTimeFormat);
}

void CChatWnd::RefreshStatusTime()
{
    if (StatusText().startsWith(kLastReceived))
        RestoreStatus();
}

void CChatWnd::SetStatus(const QString &text)
{
    m_statusLabel->setText(text);
}

int CChatWnd::InputLineCount() const
{
    QAbstractTextDocumentLayout *layout = m_input->document()->documentLayout();
    int lines = 0;
    for (QTextBlock block = m_input->document()->begin(); block.isValid(); block = block.next()) {
        layout->blockBoundingRect(block); // lays the block out
        lines += qMax(1, block.layout() ? block.layout()->lineCount() : 1);
    }
    return lines;
}

void CChatWnd::Relayout()
{
    InitializeSkin();
    DoResize();
    const bool writable = IsUsable();
    Button(IdEmoticons)->setEnabled(writable);
    if (!writable) {
        Button(IdTransfer)->setEnabled(false);
        Button(IdSendFile)->setEnabled(false);
    }
}

void CChatWnd::OnInputChanged()
{
    const int lines = InputLineCount();
    if (lines != m_inputLines) {
        m_inputLines = lines;
        Relayout();
    }
}

void CChatWnd::AttachChat(CChat *chat)
{
    if (chat == m_chat)
        return;
    DetachChat();
    m_chat = chat;
    if (!chat)
        return;

    m_channelConnection = connect(&chat->channel(), &MessageChannel::messagePublished, this, &CChatWnd::OnMessage);
    m_uploadConnection = connect(&chat->upload(), &FileUpload::progress, this, &CChatWnd::OnUploadProgress);
    m_uploadFailedConnection = connect(&chat->upload(), &FileUpload::failed, this, &CChatWnd::OnUploadFailed);
    Button(IdSendFile)->setEnabled(true);
    Button(IdTransfer)->setEnabled(chat->mode() == ChatModeRoomParticipant);

    m_pictureJid = chat->mode() == ChatModeDirect ? chat->peer() : m_host.OwnJid();
    const QImage picture = m_host.GetPicture(m_pictureJid);
    if (!picture.isNull()) {
        ShowPicture(picture);
    } else {
        m_pictureConnection = m_host.ConnectPictures(
            this, [this](const Jid &jid, const QImage &arrived) { OnPicture(jid, arrived); });
    }

    if (IsUsable()) {
        if (chat->chatState() != QVPlugin::ChatStateActive) {
            KillStateTimer();
            chat->SetChatState(QVPlugin::ChatStateActive, true);
        }
        // Also for a chat that was already active elsewhere: this window
        // now times it out.
        m_inactiveTimer.start(m_timings.inactiveMs, this);
    }

    SetStatus(QString());
    // The window may have shown another conversation: only this one's lines
    // stay, each once.
    m_transcript->clear();
    for (const ChatMessage &message : chat->channel().Messages())
        ShowLine(message);
    RestoreStatus();
    // The peer may have started typing while another window showed the chat.
    if (chat->peerChatState() == QVPlugin::ChatStateComposing)
        OnChatState(QVPlugin::ChatStateComposing);
    m_inputLines = 0;
    Relayout();

    // A line sent before the agent turned away: still waiting, or timed out
    // meanwhile; either way its text is back in the input.
    chat->SetUndeliveredHandler(this, [this] { OnSendTimeout(); });
    if (chat->AwaitingReceipt()) {
        PutDraft({chat->AwaitedText(), 0, INT_MAX});
        Lock();
        SetStatus(QStringLiteral("Sending message"));
    } else if (!chat->UndeliveredText().isEmpty()) {
        PutDraft({chat->UndeliveredText(), 0, INT_MAX});
        // Told once the window has settled, not inside the switch.
        QTimer::singleShot(0, this, [this, chat] {
            if (m_chat == chat && !chat->UndeliveredText().isEmpty())
                OnSendTimeout();
        });
    }
}

void CChatWnd::DetachChat()
{
    if (!m_chat)
        return;
    if (IsUsable() && m_chat->chatState() != QVPlugin::ChatStateGone) {
        KillStateTimer();
        m_chat->SetChatState(QVPlugin::ChatStateGone, true);
    }
    ReleaseChat();
}

void CChatWnd::ReleaseChat()
{
    m_typingTimer.stop();
    m_inactiveTimer.stop();
    if (m_chat)
        m_chat->ClearUndeliveredHandler(this);
    if (m_sending) {
        // The send stays with the chat; this window no longer waits for it.
        // Keys held for it were meant for this chat, never the next one.
        m_heldKeys.clear();
        qApp->removeEventFilter(this);
        m_sending = false;
        setEnabled(true);
    }
    disconnect(m_channelConnection);
    disconnect(m_uploadConnection);
    disconnect(m_uploadFailedConnection);
    disconnect(m_pictureConnection);
    m_chat = nullptr;
    m_pictureJid = Jid();
    ShowPicture(QImage());
    m_inputLines = 0;
    Relayout();
}

void CChatWnd::TakeOverChat(CChatWnd &source)
{
    if (&source == this || !source.m_chat)
        return;
    CChat *chat = source.m_chat;
    m_inputLines = 0;
    AttachChat(chat);

    const QTextCursor selection = source.m_input->textCursor();
    PutDraft({source.InputRtf(), selection.anchor(), selection.position()});
    SetStatus(source.StatusText());
    m_statusPicture->setPixmap(source.m_statusPicture->pixmap());

    // The chat stays "active" for the peer: the source only forgets it.
    source.ReleaseChat();
    source.m_input->clear();
    m_transcript->verticalScrollBar()->setValue(m_transcript->verticalScrollBar()->maximum());
}

CChatWnd::Draft CChatWnd::TakeDraft()
{
    Draft draft;
    if (!IsSending() && !m_input->toPlainText().isEmpty()) {
        const QTextCursor selection = m_input->textCursor();
        draft = {InputRtf(), selection.anchor(), selection.position()};
    }
    m_input->clear();
    return draft;
}

void CChatWnd::PutDraft(const Draft &draft)
{
    if (draft.rtf.isEmpty()) {
        m_input->clear();
        return;
    }
    m_input->StreamInRtf(draft.rtf);
    QTextCursor cursor = m_input->textCursor();
    const int last = m_input->document()->characterCount() - 1;
    cursor.setPosition(qMin(draft.anchor, last));
    cursor.setPosition(qMin(draft.position, last), QTextCursor::KeepAnchor);
    m_input->setTextCursor(cursor);
}

void CChatWnd::EndChat()
{
    if (!IsUsable())
        return;
    ChatMessage notice;
    notice.type = ChatMessage::Notice;
    notice.body = QStringLiteral("The chat has ended");
    MessageChannel &channel = m_chat->channel();
    channel.SetUnread(true);
    channel.Publish(notice);
    channel.SetUnread(false);
    KillStateTimer();
    m_chat->SetMode(ChatModeNone);
    Relayout();
}

void CChatWnd::ShowLine(const ChatMessage &message)
{
    if (message.type == ChatMessage::Notice) {
        m_transcript->AddNotice(message.body);
        return;
    }
    const QString name = m_chat ? m_chat->GetDisplayName(message.from) : message.from.node();
    QString stamp;
    if (m_host.BoolSetting(ChatSettings::kTimestamp, ChatSettings::kTimestampDefault))
        stamp = FormatLocalTime(m_host.StringSetting(ChatSettings::kTimestampFormat, kDefaultTimeFormat),
                                message.time);
    // Without a chat to ask, the line is taken as a visitor's: plain text.
    const bool visitor = !m_chat || m_chat->IsVisitor(message.from);
    if (TakesBodyAsRtf(message.body, visitor))
        m_transcript->AddRtfLine(stamp, name, RtfBytes(message.body));
    else
        m_transcript->AddLine(stamp, name, message.body, visitor);
}

void CChatWnd::OnMessage(const ChatMessage &message)
{
    Tessary::AssertUiThread();
    if (!m_chat)
        return;
    ShowLine(message);
    if (message.type == ChatMessage::Notice)
        return;
    if (message.from == m_host.OwnJid()) {
        OnEcho();
        return;
    }
    SetStatus(kLastReceived + FormatLocalTime(StatusTimeFormat(), message.time));
    if (m_host.BoolSetting(QStringLiteral("application.newmsg.flashwindow"), false) && !window()->isActiveWindow())
        QApplication::alert(window());
}

void CChatWnd::OnEcho()
{
    // Only the send this window waits for owns the input's text; an echo
    // that comes later never takes what the agent typed since.
    if (IsSending()) {
        // The agent goes on typing in the format of the sent text.
        const QTextCharFormat format = m_input->textCursor().charFormat();
        m_input->clear();
        m_input->setCurrentCharFormat(format);
        Unlock(true);
    }
    if (IsUsable() && m_chat->chatState() != QVPlugin::ChatStateActive) {
        KillStateTimer();
        m_chat->SetChatState(QVPlugin::ChatStateActive, false);
    }
    m_inactiveTimer.start(m_timings.inactiveMs, this);
    RestoreStatus();
}

void CChatWnd::RestoreStatus()
{
    QString text;
    if (m_chat) {
        const auto &messages = m_chat->channel().Messages();
        const Jid own = m_host.OwnJid();
        for (auto it = messages.crbegin(); it != messages.crend(); ++it) {
            if (it->type != ChatMessage::Notice && it->from != own) {
                text = kLastReceived + FormatLocalTime(StatusTimeFormat(), it->time);
                break;
            }
        }
    }
    SetStatus(text);
}

void CChatWnd::Send()
{
    if (!isEnabled())
        return;
    if (!IsUsable()) {
        // The visitor may have ended while the agent typed on.
        CPrompt::Show({QString(), QStringLiteral("You are not in a conversation"), QMessageBox::Information,
                       QMessageBox::Ok, true},
                      this);
        return;
    }
    m_input->selectAll();
    const QString text = m_input->toPlainText();
    if (text.isEmpty())
        return;
    const QByteArray rtf = InputRtf();
    if (!m_chat->SendMessage(rtf, text))
        return;
    m_chat->AwaitReceipt(rtf, m_timings.sendMs);
    Lock();
    SetStatus(QStringLiteral("Sending message"));
}

QByteArray CChatWnd::InputRtf() const
{
    QByteArray rtf;
    m_input->GetRtf(rtf);
    // The writer ends every paragraph, the last one too; that one goes.
    static const QByteArray kTrailingParagraph = "\\par\r\n}\r\n";
    if (rtf.endsWith(kTrailingParagraph)) {
        rtf.chop(kTrailingParagraph.size());
        rtf += "\r\n}\r\n";
    }
    return rtf;
}

void CChatWnd::OnSendTimeout()
{
    // The chat has given the send up and kept its text, which this input
    // still holds.
    if (m_chat) {
        m_chat->AbandonSend();
        m_chat->TakeUndelivered();
    }
    // Unlocked first: the box takes no keys, and the agent may type on
    // while it is up.
    RestoreStatus();
    if (m_sending)
        Unlock(false);
    CPrompt::Show({QString(), QStringLiteral("The message could not be delivered"), QMessageBox::Information,
                   QMessageBox::Ok, true},
                  this);
}

void CChatWnd::Lock()
{
    m_sending = true;
    // Disabling clears the input's focus, so the window itself gets the keys;
    // the application's filter sees them before the disabled window drops them.
    setEnabled(false);
    qApp->installEventFilter(this);
}

void CChatWnd::Unlock(bool delivered)
{
    m_sending = false;
    qApp->removeEventFilter(this);
    setEnabled(true);
    const QWidget *focus = window()->focusWidget();
    if (!focus || focus == this || isAncestorOf(focus))
        m_input->setFocus();
    ReplayHeldKeys(delivered);
}

void CChatWnd::ReplayHeldKeys(bool delivered)
{
    if (m_heldKeys.empty())
        return;
    if (!delivered) {
        // The kept text is selected as it was sent: typing goes after it.
        QTextCursor cursor = m_input->textCursor();
        cursor.movePosition(QTextCursor::End);
        m_input->setTextCursor(cursor);
    }
    std::vector<std::unique_ptr<QKeyEvent>> keys = std::move(m_heldKeys);
    m_heldKeys.clear();
    const QPointer<CChatWnd> self(this);
    for (auto it = keys.begin(); it != keys.end(); ++it) {
        if (!self)
            return;
        if (m_sending) {
            // An Enter among them sent the next line: the rest wait for it.
            std::move(it, keys.end(), std::back_inserter(m_heldKeys));
            return;
        }
        QKeyEvent *key = it->get();
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!delivered && enter && key->modifiers() == Qt::NoModifier) {
            // The line that failed is not sent again unseen: a new paragraph.
            QKeyEvent paragraph(key->type(), key->key(), Qt::ShiftModifier, key->text());
            QCoreApplication::sendEvent(m_input, &paragraph);
        } else {
            QCoreApplication::sendEvent(m_input, key);
        }
    }
}

void CChatWnd::KillStateTimer()
{
    if (!m_chat)
        return;
    switch (m_chat->chatState()) {
    case QVPlugin::ChatStateActive:
    case QVPlugin::ChatStatePaused:
        m_inactiveTimer.stop();
        break;
    case QVPlugin::ChatStateComposing:
        m_typingTimer.stop();
        break;
    default:
        break;
    }
}

void CChatWnd::ChangeChatState(int state, bool announce)
{
    if (!IsUsable())
        return;
    if (state == QVPlugin::ChatStateComposing)
        m_typingTimer.start(m_timings.typingMs, this);
    const int current = m_chat->chatState();
    if (state == current)
        return;
    if (state == QVPlugin::ChatStateComposing && current == QVPlugin::ChatStateInactive)
        ChangeChatState(QVPlugin::ChatStateActive, announce);
    KillStateTimer();
    m_chat->SetChatState(state, announce);
    if (state == QVPlugin::ChatStateActive || state == QVPlugin::ChatStatePaused)
        m_inactiveTimer.start(m_timings.inactiveMs, this);
}

void CChatWnd::OnTyping()
{
    ChangeChatState(QVPlugin::ChatStateComposing, true);
}

void CChatWnd::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_typingTimer.timerId()) {
        m_typingTimer.stop();
        if (IsUsable() && m_chat->chatState() != QVPlugin::ChatStatePaused)
            ChangeChatState(QVPlugin::ChatStatePaused, true);
    } else if (event->timerId() == m_inactiveTimer.timerId()) {
        m_inactiveTimer.stop();
        if (IsUsable() && m_chat->chatState() != QVPlugin::ChatStateInactive)
            ChangeChatState(QVPlugin::ChatStateInactive, true);
    } else {
        CQVSkinWnd::timerEvent(event);
    }
}

void CChatWnd::OnChatState(int state)
{
    if (state == QVPlugin::ChatStateComposing && m_chat) {
        m_statusPicture->setPixmap(TypingPicture());
        SetStatus(QStringLiteral("%1 is typing a message...").arg(m_chat->GetDisplayName(m_chat->peer())));
        return;
    }
    m_statusPicture->clear();
    RestoreStatus();
}

void CChatWnd::OnUploadProgress(qint64 done, qint64 total)
{
    // An empty file is done as soon as it started.
    const qint64 percent = total > 0 ? qBound(qint64(0), done * 100 / total, qint64(100)) : 100;
    m_statusPicture->clear();
    SetStatus(QStringLiteral("Uploaded %1%").arg(percent));
}

void CChatWnd::OnUploadFailed()
{
    // A second file refused while the first goes on leaves its progress.
    if (m_chat && m_chat->upload().IsRunning())
        return;
    m_statusPicture->clear();
    SetStatus(QStringLiteral("Upload failed"));
}

void CChatWnd::OnPicture(const Jid &jid, const QImage &picture)
{
    Tessary::AssertUiThread();
    if (!m_pictureJid.IsValid() || jid != m_pictureJid)
        return;
    disconnect(m_pictureConnection);
    ShowPicture(picture);
}

void CChatWnd::ShowPicture(const QImage &picture)
{
    static const QImage fallback = DefaultPicture();
    const QImage &shown = picture.isNull() ? fallback : picture;
    m_picture->SetImage(QPixmap::fromImage(shown));
    m_picture->update();
}

void CChatWnd::InsertText(const QString &text)
{
    if (!isVisible() || !IsUsable())
        return;
    m_input->textCursor().insertText(text);
    m_input->setFocus();
}

void CChatWnd::InsertQuickText(unsigned number)
{
    CQuickTextList *list = m_host.QuickTexts();
    const CQuickTextItem *item = list ? list->FindItem(number) : nullptr;
    if (!item || item->Text().isEmpty())
        return;
    InsertText(ApplyGreeting(item->Text(), m_host.AgentDisplayName(), QTime::currentTime().hour()));
}

void CChatWnd::InsertEmoticon(int index)
{
    if (index < 0 || index >= kEmoticonCount)
        return;
    m_input->textCursor().insertText(QLatin1Char(' ') + EmoticonCode(index) + QLatin1Char(' '));
    m_input->setFocus();
}

void CChatWnd::OnEmoticonsButton()
{
    if (m_host.BoolSetting(QStringLiteral("chatpane.sendhtml"), false)) {
        CPrompt::Show({QString(),
                       QStringLiteral("HTML mode is on. Formatting will not be applied.\n\nTo turn off HTML mode, "
                                      "choose 'HTML Mode' from the 'Visitors' menu."),
                       QMessageBox::Information},
                      this);
        return;
    }
    if (!m_emoticonMenu) {
        // Two rows of four pictures.
        m_emoticonMenu = new QMenu(this);
        auto *grid = new QWidget(m_emoticonMenu);
        auto *layout = new QGridLayout(grid);
        layout->setContentsMargins(2, 2, 2, 2);
        layout->setSpacing(2);
        const QList<QPixmap> &images = m_transcript->EmoticonImages();
        for (int i = 0; i < images.size(); ++i) {
            auto *button = new QToolButton(grid);
            button->setObjectName(QStringLiteral("c%1").arg(IdFirstEmoticon + i));
            button->setIcon(images[i]);
            button->setIconSize(images[i].size());
            button->setAutoRaise(true);
            button->setToolTip(EmoticonCode(i));
            layout->addWidget(button, i % 2, i / 2);
            connect(button, &QToolButton::clicked, this, [this, i] {
                m_emoticonMenu->close();
                InsertEmoticon(i);
            });
        }
        auto *action = new QWidgetAction(m_emoticonMenu);
        action->setDefaultWidget(grid);
        m_emoticonMenu->addAction(action);
    }
    Button(IdEmoticons)->setFocus();
    m_emoticonMenu->popup(Button(IdEmoticons)->mapToGlobal(QPoint(0, Button(IdEmoticons)->height())));
}

void CChatWnd::OnOptionsButton()
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("Send File"), this, &CChatWnd::OnSendFile);
    menu.addAction(QStringLiteral("Transfer"), this, &CChatWnd::OnTransfer)
        ->setEnabled(m_chat && m_chat->mode() == ChatModeRoomParticipant);
    menu.addAction(QStringLiteral("Save"), this, &CChatWnd::OnSave);
    menu.exec(QCursor::pos());
}

void CChatWnd::OnSendFile()
{
    if (!IsUsable())
        return;
    const QString path = QFileDialog::getOpenFileName(this, QString(), QString(), QStringLiteral("All Files (*)"));
    // The chat may have gone while the dialog was open.
    if (path.isEmpty() || !IsUsable())
        return;
    m_chat->upload().Start(m_host.WebModuleUrl(), path);
}

void CChatWnd::OnTransfer()
{
    if (IsUsable())
        m_host.OpenTransfer(m_chat->peer(), this);
}

QString CChatWnd::DefaultSaveName() const
{
    QString name = (m_chat ? m_chat->title() : QString())
        + FormatWindowsTime(u"-%#x.rtf", QDateTime::currentDateTime());
    // A title is a peer's name: it must not lead the dialog elsewhere.
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return name;
}

void CChatWnd::OnSave()
{
    const QString path = QFileDialog::getSaveFileName(this, QString(), DefaultSaveName(),
                                                      QStringLiteral("RTF Files (*.rtf);;All Files (*)"));
    if (!path.isEmpty())
        SaveTranscript(QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".rtf") : path);
}

bool CChatWnd::SaveTranscript(const QString &path)
{
    QByteArray rtf;
    m_transcript->GetRtf(rtf);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size() || !file.commit()) {
        qCWarning(lcChat) << "cannot save the transcript to" << path << file.errorString();
        CPrompt::Show({QString(), QStringLiteral("Failed to save history"), QMessageBox::Warning}, this);
        return false;
    }
    return true;
}

QMenu *CChatWnd::CreateQuickTextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    if (CQuickTextList *list = m_host.QuickTexts()) {
        const QVPlugin::MenuSpec quickTexts = QuickTextMenu::Build(*list);
        // The one popup "&Quick Text" holds the items.
        const auto &items = quickTexts.children.size() == 1 && !quickTexts.children.front().children.empty()
            ? quickTexts.children.front().children
            : quickTexts.children;
        QPointer<CChatWnd> self(this);
        FillMenu(menu, items, [self](unsigned id) {
            if (self && id >= CQuickTextList::kFirstCommand)
                self->InsertQuickText(id - CQuickTextList::kFirstCommand);
        });
    }
    return menu;
}

void CChatWnd::contextMenuEvent(QContextMenuEvent *event)
{
    if (!m_input->geometry().contains(event->pos())) {
        event->ignore();
        return;
    }
    QMenu *menu = CreateQuickTextMenu(this);
    // Over a misspelled word its suggestions come first.
    m_input->AddSpellingSuggestions(*menu, m_input->mapFrom(this, event->pos()));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

unsigned CChatWnd::QuickTextFor(const QKeyEvent *event) const
{
    // Quick-text shortcuts hold Ctrl or Alt, or are function keys; other
    // keys are typing and never look the table up.
    const bool function = event->key() >= Qt::Key_F1 && event->key() <= Qt::Key_F24;
    if (!function && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return 0;
    CQuickTextList *list = m_host.QuickTexts();
    if (!list)
        return 0;
    const QKeySequence pressed(event->keyCombination());
    for (const QVPlugin::AcceleratorEntry &entry : QuickTextMenu::Accelerators(*list)) {
        if (entry.key == pressed && entry.id >= CQuickTextList::kFirstCommand)
            return entry.id;
    }
    return 0;
}

bool CChatWnd::eventFilter(QObject *watched, QEvent *event)
{
    if (m_sending && watched == window() && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
        && !window()->focusWidget() && window()->isActiveWindow()) {
        // Typed on during the send lock: for the input once it is unlocked.
        if (event->type() == QEvent::KeyPress)
            m_heldKeys.emplace_back(static_cast<QKeyEvent *>(event->clone()));
        return true;
    }
    if (watched == m_input && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        // The frame's own shortcut for the same keys must not take them away
        // from the window that inserts the text.
        if (const unsigned command = QuickTextFor(static_cast<QKeyEvent *>(event))) {
            event->accept();
            if (event->type() == QEvent::KeyPress)
                InsertQuickText(command - CQuickTextList::kFirstCommand);
            return true;
        }
    }
    // Reading a direct chat's window marks its conversation read.
    if (watched == m_input && event->type() == QEvent::FocusIn && IsUsable() && m_chat->mode() == ChatModeDirect)
        m_chat->channel().SetUnread(false);
    return CQVSkinWnd::eventFilter(watched, event);
}

CFullChatWnd::CFullChatWnd(IChatWndHost &host, QWidget *parent)
    : CChatWnd(host, parent)
{
    ShowDlgItem(IdDetach, false);
    ShowDlgItem(IdClose, true);
}
