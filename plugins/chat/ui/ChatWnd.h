#pragma once
// The chat window: the transcript of one conversation above, the agent's
// input below, a row of buttons, the peer's picture and a status label. It
// shows what the attached chat's channel publishes, sends on Enter (and
// stays locked until the echo or the send timer), drives the agent's chat
// state with two timers (typing -> paused -> inactive), shows the peer's
// typing and the upload progress, and inserts emoticons and quick texts.
// Its skin form follows the number of lines in the input. CFullChatWnd is
// the same window standing alone, with Close instead of Detach.
//
// An attached chat must stay alive until it is detached (AttachChat with
// another chat, DetachChat or the window's end). User-interface thread only.

#include "plugins/chat/ui/ChatWndHost.h"
#include "skins/QVSkinWnd.h"

#include <QBasicTimer>
#include <QMetaObject>
#include <QPointer>

#include <memory>
#include <vector>

class CChatRTFCtrl;
class CInputRichEditCtrl;
class CQVButton;
class QKeyEvent;
class QLabel;
class QMenu;

// The periods of the window's timers; tests shorten them.
struct ChatWndTimings
{
    int typingMs = 30 * 1000;    // from the last key to "paused"
    int inactiveMs = 120 * 1000; // from "active" or "paused" to "inactive"
    int sendMs = 10 * 1000;      // from a send to "could not be delivered"
};

class CChatWnd : public CQVSkinWnd
{
    Q_OBJECT
public:
    // The items' ids; each item's objectName is "c" followed by its id.
    enum ItemId {
        IdClose = 8,
        IdOptions = 101,
        IdDetach = 104,
        IdPicture = 105,
        IdTranscript = 106,
        IdInput = 107,
        IdEmoticons = 108,
        IdStatusPicture = 110,
        IdStatusLabel = 111,
        IdFirstEmoticon = 10231,
        IdSendFile = 10250,
        IdTransfer = 10251,
        IdSave = 10252,
    };

    explicit CChatWnd(IChatWndHost &host, QWidget *parent = nullptr);
    ~CChatWnd() override;

    void SetTimings(const ChatWndTimings &timings) { m_timings = timings; }

    CChat *GetChat() const { return m_chat; }
    // Detaches the current chat (announcing "gone") and attaches chat,
    // replaying its channel oldest first; null only detaches.
    void AttachChat(CChat *chat);
    void DetachChat();
    // Publishes "The chat has ended" and leaves the conversation.
    void EndChat();
    // Moves source's chat, unsent text, selection, status text and pending
    // send into this window. The source forgets the chat without announcing
    // "gone", so the peer last hears "active".
    void TakeOverChat(CChatWnd &source);

    // The input's unsent text (as RTF) and its selection.
    struct Draft
    {
        QByteArray rtf; // empty: no text
        int anchor = 0;
        int position = 0;
    };
    // Empties the input and hands back what it held; a line on its way
    // (sent, its echo awaited) is no draft.
    Draft TakeDraft();
    // Puts a draft into the input, its selection too; an empty one clears it.
    void PutDraft(const Draft &draft);

    // Replaces the input's selection with text (visible window, usable chat).
    void InsertText(const QString &text);
    // The quick text with this number, through the greeting template.
    void InsertQuickText(unsigned number);
    // " code " of emoticon index at the caret.
    void InsertEmoticon(int index);

    // A line published on the chat's channel.
    void OnMessage(const QVPlugin::ChatMessage &message);
    // The peer's chat state.
    void OnChatState(int state);
    void OnUploadProgress(qint64 done, qint64 total);
    void OnUploadFailed();
    void OnPicture(const QVPlugin::Jid &jid, const QImage &picture);
    // Records and (when announce is set) sends the agent's chat state, with
    // the timers that go with it.
    void ChangeChatState(int state, bool announce);

    // Enter in the input.
    void Send();
    bool IsSending() const { return m_sending; }

    // Writes the transcript as RTF; tells the agent when it cannot.
    bool SaveTranscript(const QString &path);
    // The chat's title and the long date, as a file name.
    QString DefaultSaveName() const;
    // The quick texts as a menu whose items insert them here; the caller
    // owns it.
    QMenu *CreateQuickTextMenu(QWidget *parent);

    QString GetSkinFormName() const override;
    QString StatusText() const;
    // The time format changed: a "last received" status is written anew.
    void RefreshStatusTime();
    CChatRTFCtrl *Transcript() const { return m_transcript; }
    CInputRichEditCtrl *Input() const { return m_input; }

signals:
    // The agent asked to detach (or dock) this window's chat.
    void detached(CChatWnd *window);

protected:
    // The forms' name before "ReadOnly" or the line count.
    virtual QString FormPrefix() const { return QStringLiteral("ChatWnd"); }
    CQVButton *Button(int id) const;

    void timerEvent(QTimerEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    CQVButton *AddButton(int id, const QString &caption, bool flat = false);
    bool IsUsable() const;
    // Stops the timer that belongs to the chat's current state.
    void KillStateTimer();
    void OnTyping();
    void OnInputChanged();
    // Applies the form for the current chat and line count.
    void Relayout();
    // Shows a line without acting on it (replay, and OnMessage).
    void ShowLine(const QVPlugin::ChatMessage &message);
    void OnEcho();
    void OnSendTimeout();
    // The send lock: the window is disabled, and the keys the agent types on
    // meanwhile are held for the input. Unlock gives them to it, the
    // focus back when no other control took it; after an undelivered send,
    // at the end of the kept text and without sending it again.
    void Lock();
    void Unlock(bool delivered);
    void ReplayHeldKeys(bool delivered);
    // The status of the newest line from the peer, or none.
    void RestoreStatus();
    // The clock of the "last received" status.
    QString StatusTimeFormat() const;
    void SetStatus(const QString &text);
    void ShowPicture(const QImage &picture);
    // Forgets the chat: stops the timers, drops the connections, resets the
    // controls. Announces nothing.
    void ReleaseChat();
    void OnEmoticonsButton();
    void OnOptionsButton();
    void OnSendFile();
    void OnTransfer();
    void OnSave();
    int InputLineCount() const;
    // The quick-text command whose shortcut the key is; 0 for none.
    unsigned QuickTextFor(const QKeyEvent *event) const;
    // The input as RTF without the writer's closing empty paragraph.
    QByteArray InputRtf() const;

    IChatWndHost &m_host;
    CChat *m_chat = nullptr;
    int m_inputLines = 0;
    ChatWndTimings m_timings;
    QBasicTimer m_typingTimer;   // 0
    QBasicTimer m_inactiveTimer; // 1
    // The chat's receipt wait as this window shows it (locked).
    bool m_sending = false;
    std::vector<std::unique_ptr<QKeyEvent>> m_heldKeys;
    QVPlugin::Jid m_pictureJid;
    QMetaObject::Connection m_channelConnection;
    QMetaObject::Connection m_uploadConnection;
    QMetaObject::Connection m_uploadFailedConnection;
    QMetaObject::Connection m_pictureConnection;

    CQVButton *m_picture = nullptr;
    CChatRTFCtrl *m_transcript = nullptr;
    CInputRichEditCtrl *m_input = nullptr;
    QLabel *m_statusPicture = nullptr;
    QLabel *m_statusLabel = nullptr;
    QPointer<QMenu> m_emoticonMenu;
};

// The chat window of a detached frame.
class CFullChatWnd : public CChatWnd
{
    Q_OBJECT
public:
    explicit CFullChatWnd(IChatWndHost &host, QWidget *parent = nullptr);

protected:
    QString FormPrefix() const override { return QStringLiteral("FullChatWnd"); }
};
