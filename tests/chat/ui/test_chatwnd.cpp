// The chat window offscreen against a fake core: forms, sending and its
// lock, the agent's chat states, status texts and taking a chat over.

#include "plugins/chat/model/MessageChannel.h"
#include "plugins/chat/model/QuickText.h"
#include "plugins/chat/model/QuickTextKeys.h"
#include "plugins/chat/session/TimeFormat.h"
#include "plugins/chat/ui/ChatRTFCtrl.h"
#include "plugins/chat/ui/ChatWindows.h"
#include "plugins/chat/ui/ChatWnd.h"
#include "plugins/chat/ui/InputRichEditCtrl.h"
#include "plugins/chat/ui/SpellChecker.h"
#include "plugins/chat/ui/TessaryPane.h"
#include "shared/Prompt.h"
#include "skins/QVButton.h"
#include "skins/QVSettingsHelpers.h"
#include "skins/QVSkinManager.h"
#include "tests/TestUtil.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeySequence>
#include <QSet>
#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTest>
#include <QTimer>

#include <map>

#include <gtest/gtest.h>

using QVPlugin::ChatContact;
using QVPlugin::ChatMessage;
using QVPlugin::Jid;

namespace {

class PictureSource : public QObject
{
    Q_OBJECT
signals:
    void arrived(const Jid &jid, const QImage &picture);
};

struct FakeHost : IChatWndHost
{
    Jid OwnJid() const override { return Jid(QStringLiteral("agent@x.org/desk")); }
    bool SendAgentMessage(const ChatMessage &message) override
    {
        sent.push_back(message);
        return true;
    }
    bool BoolSetting(const QString &key, bool fallback) const override
    {
        const auto it = settings.find(key);
        return it == settings.end() ? fallback : it->second.toBool();
    }
    void SendTypingState(const Jid &, int state) override { states.push_back(state); }
    void SendDirectedPresence(const ChatContact &) override {}
    QString StringSetting(const QString &key, const QString &fallback) const override
    {
        const auto it = settings.find(key);
        return it == settings.end() ? fallback : it->second.toString();
    }
    QString AgentDisplayName() const override { return QStringLiteral("Ann"); }
    QString WebModuleUrl() const override { return QStringLiteral("http://127.0.0.1:1/qvx/"); }
    QImage GetPicture(const Jid &) override { return {}; }
    QMetaObject::Connection ConnectPictures(QObject *receiver,
                                            std::function<void(const Jid &, const QImage &)> slot) override
    {
        return QObject::connect(&pictures, &PictureSource::arrived, receiver, std::move(slot));
    }
    CQuickTextList *QuickTexts() override { return &quickTexts; }
    void OpenTransfer(const Jid &, QWidget *) override {}

    std::vector<ChatMessage> sent;
    std::vector<int> states;
    std::map<QString, QVariant> settings;
    PictureSource pictures;
    CQuickTextList quickTexts; // the built-in set
};

const Jid kPeer(QStringLiteral("bob@x.org/home"));

struct ChatWndTest : ::testing::Test
{
    ChatWndTest()
    {
        CPrompt::SetHandler([this](const PromptRequest &request) {
            prompts.append(request.text);
            return QMessageBox::Ok;
        });
        ChatContact bob(kPeer);
        bob.bareJid = kPeer.BareJid();
        bob.nick = QStringLiteral("Bob");
        bob.role = QVPlugin::RoleParticipant;
        chat.members().Update(bob);
        chat.SetModeValue(ChatModeDirect);
    }
    ~ChatWndTest() override { CPrompt::SetHandler({}); }

    ChatMessage FromPeer(const QString &body, qint64 time)
    {
        ChatMessage m;
        m.from = kPeer;
        m.body = body;
        m.time = time;
        return m;
    }
    void Type(CChatWnd &window, const QString &text) { QTest::keyClicks(window.Input(), text); }

    FakeHost host;
    MessageChannel channel{kPeer};
    CChat chat{kPeer, host, channel, QStringLiteral("Bob/Chat")};
    QStringList prompts;
};

QString Transcript(const CChatWnd &window)
{
    return window.Transcript()->toPlainText();
}

} // namespace

TEST_F(ChatWndTest, FormFollowsTheChatAndTheInputsLines)
{
    CChatWnd window(host);
    EXPECT_EQ(window.GetSkinFormName(), "ChatWndReadOnly");
    window.AttachChat(&chat);
    EXPECT_EQ(window.GetSkinFormName(), "ChatWnd1");
    window.Input()->setPlainText(QStringLiteral("a\nb\nc"));
    EXPECT_EQ(window.GetSkinFormName(), "ChatWnd3");
    window.Input()->setPlainText(QStringLiteral("1\n2\n3\n4\n5\n6\n7"));
    EXPECT_EQ(window.GetSkinFormName(), "ChatWnd5");
    chat.SetModeValue(ChatModeNone);
    EXPECT_EQ(window.GetSkinFormName(), "ChatWndReadOnly");

    CFullChatWnd full(host);
    EXPECT_EQ(full.GetSkinFormName(), "FullChatWndReadOnly");
    chat.SetModeValue(ChatModeDirect);
    window.DetachChat();
    full.AttachChat(&chat);
    EXPECT_EQ(full.GetSkinFormName(), "FullChatWnd1");
    EXPECT_TRUE(full.findChild<QWidget *>("c104")->isHidden());
    EXPECT_FALSE(full.findChild<QWidget *>("c8")->isHidden());
    EXPECT_FALSE(window.findChild<QWidget *>("c104")->isHidden());
}

TEST_F(ChatWndTest, EnterSendsLocksAndTheEchoUnlocks)
{
    CChatWnd window(host);
    window.Send();
    EXPECT_EQ(prompts, QStringList{"You are not in a conversation"});

    window.AttachChat(&chat);
    window.Send(); // empty input
    EXPECT_TRUE(host.sent.empty());
    EXPECT_EQ(prompts.size(), 1);

    Type(window, QStringLiteral("hello"));
    QTest::keyClick(window.Input(), Qt::Key_Return);
    ASSERT_EQ(host.sent.size(), 1u);
    EXPECT_EQ(host.sent[0].body, "hello");
    EXPECT_FALSE(window.isEnabled());
    EXPECT_EQ(window.StatusText(), "Sending message");
    // The echo keeps the RTF without the writer's closing paragraph.
    EXPECT_TRUE(chat.outgoing().body.endsWith(QLatin1String("hello\r\n}\r\n")));

    channel.Publish(FromPeer(QStringLiteral("hi"), 1000));
    ASSERT_TRUE(chat.OnDelivered());
    EXPECT_TRUE(window.isEnabled());
    EXPECT_TRUE(window.Input()->toPlainText().isEmpty());
    EXPECT_EQ(window.StatusText(), QStringLiteral("Last message received at: ") + FormatLocalTime(u"%#I:%M:%S %p", 1000));
    EXPECT_TRUE(Transcript(window).contains(QLatin1String("me:")));
}

TEST_F(ChatWndTest, UndeliveredSendIsReportedAndALateReceiptIgnored)
{
    CChatWnd window(host);
    window.SetTimings({30000, 120000, 20});
    window.AttachChat(&chat);
    Type(window, QStringLiteral("lost"));
    window.Send();
    ASSERT_FALSE(window.isEnabled());
    ASSERT_TRUE(waitUntil([&] { return window.isEnabled(); }));
    EXPECT_EQ(prompts, QStringList{"The message could not be delivered"});
    EXPECT_EQ(window.Input()->toPlainText(), "lost");
    EXPECT_TRUE(chat.outgoing().id.empty());
    EXPECT_FALSE(chat.OnDelivered());
    EXPECT_TRUE(channel.Messages().empty());
}

// The chat window sits in the main frame below its menu bar: an Alt key
// that both a button and a menu title claim reaches neither reliably.
TEST_F(ChatWndTest, ButtonAltKeysAreNoneOfTheFramesMenuTitles)
{
    const char *const titles[] = {"&File", "&Edit", "&View", "&Tools", "Vi&sitor",
                                  "&Web Status", "&Quick Text", "&Quelvar", "&Help"};
    CChatWnd window(host);
    QSet<QKeySequence> taken;
    for (const char *title : titles)
        taken.insert(QKeySequence::mnemonic(QLatin1String(title)));
    int buttons = 0;
    for (QAbstractButton *button : window.findChildren<QAbstractButton *>()) {
        const QKeySequence key = QKeySequence::mnemonic(button->text());
        if (key.isEmpty())
            continue;
        ++buttons;
        EXPECT_FALSE(taken.contains(key)) << button->text().toStdString();
        taken.insert(key);
    }
    EXPECT_EQ(buttons, 4);
}

// An Alt key that reaches no menu or button is no text for the peer.
TEST_F(ChatWndTest, AnAltKeyWritesNothing)
{
    CChatWnd window(host);
    window.AttachChat(&chat);
    const struct
    {
        Qt::KeyboardModifiers modifiers;
        const char *written;
    } keys[] = {{Qt::AltModifier, ""}, {Qt::AltModifier | Qt::ShiftModifier, ""}, {Qt::NoModifier, "b"}};
    for (const auto &k : keys) {
        window.Input()->clear();
        QTest::keyClick(window.Input(), Qt::Key_B, k.modifiers);
        EXPECT_EQ(window.Input()->toPlainText().toStdString(), k.written) << k.modifiers;
    }
}

TEST_F(ChatWndTest, ANewTimeFormatRewritesTheLastReceivedStatus)
{
    CChatWnd window(host);
    window.AttachChat(&chat);
    channel.Publish(FromPeer(QStringLiteral("hi"), 1000));
    host.settings[QStringLiteral("sitepath.timestamp.format")] = QStringLiteral("%H.%M.%S");
    window.RefreshStatusTime();
    EXPECT_EQ(window.StatusText(), QStringLiteral("Last message received at: ") + FormatLocalTime(u"%H.%M.%S", 1000));
    // Any other status stays.
    window.OnChatState(QVPlugin::ChatStateComposing);
    const QString typing = window.StatusText();
    host.settings[QStringLiteral("sitepath.timestamp.format")] = QStringLiteral("%H:%M");
    window.RefreshStatusTime();
    EXPECT_EQ(window.StatusText(), typing);
}

// The clock the agent sets in Settings (Timestamp Format) reaches the
// status line too, unless a site-path format is stored, which keeps it.
TEST_F(ChatWndTest, TheStatusClockFollowsTheAgentsTimestampFormatUnlessASitePathFormatIsStored)
{
    const struct
    {
        const char *sitePath; // null: not stored
        const char *timestamp;
        const char16_t *shown;
    } kCases[] = {
        {nullptr, nullptr, u"%#I:%M:%S %p"},
        {nullptr, "%H:%M:%S", u"%H:%M:%S"},
        {"%H.%M", "%H:%M:%S", u"%H.%M"},
    };
    for (const auto &c : kCases) {
        host.settings.erase(QStringLiteral("sitepath.timestamp.format"));
        host.settings.erase(QStringLiteral("chatpane.timestamp.format"));
        if (c.sitePath)
            host.settings[QStringLiteral("sitepath.timestamp.format")] = QString::fromLatin1(c.sitePath);
        if (c.timestamp)
            host.settings[QStringLiteral("chatpane.timestamp.format")] = QString::fromLatin1(c.timestamp);
        CChatWnd window(host);
        window.AttachChat(&chat);
        channel.Publish(FromPeer(QStringLiteral("hi"), 1000));
        EXPECT_EQ(window.StatusText().toStdString(),
                  ("Last message received at: " + FormatLocalTime(c.shown, 1000)).toStdString())
            << (c.sitePath ? c.sitePath : "-") << " " << (c.timestamp ? c.timestamp : "-");
    }
}

// The agent sends and turns to another chat at once: the receipt wait goes
// on without a window, and coming back shows how it ended.
TEST_F(ChatWndTest, ASendLeftBehindEndsInTheChatAndIsShownOnReturn)
{
    struct Case
    {
        const char *name;
        bool delivered;
        QStringList prompts;
        QString input;
        bool lineShown;
    };
    const Case cases[] = {
        {"receipt while away", true, {}, QString(), true},
        {"no receipt", false, {QStringLiteral("The message could not be delivered")}, QStringLiteral("see you"), false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        prompts.clear();
        MessageChannel bobChannel{kPeer};
        CChat bob{kPeer, host, bobChannel, QStringLiteral("Bob/Chat")};
        bob.members().Update(*chat.members().Find(kPeer));
        bob.SetModeValue(ChatModeDirect);
        CChatWnd window(host);
        window.SetTimings({30000, 120000, 50});
        window.AttachChat(&bob);
        Type(window, QStringLiteral("see you"));
        window.Send();
        // Another visitor, at once, as the pane switches: a line on its way
        // is no draft.
        EXPECT_TRUE(window.TakeDraft().rtf.isEmpty());
        window.AttachChat(&chat);
        EXPECT_TRUE(window.isEnabled());
        if (c.delivered)
            EXPECT_TRUE(bob.OnDelivered());
        QTest::qWait(150);
        EXPECT_TRUE(prompts.isEmpty()); // nothing said over another chat

        window.AttachChat(&bob);
        QTest::qWait(20);
        EXPECT_EQ(prompts, c.prompts);
        EXPECT_EQ(window.Input()->toPlainText(), c.input);
        EXPECT_EQ(Transcript(window).contains(QLatin1String("see you")), c.lineShown);
        EXPECT_TRUE(window.isEnabled());
        window.TakeDraft();
        window.AttachChat(&chat);
        window.AttachChat(&bob);
        QTest::qWait(20);
        EXPECT_EQ(prompts, c.prompts); // told once
    }
}

// Going offline destroys the chat windows, also one whose undelivered box
// is up: the box goes with its window and the send's end touches neither.
TEST_F(ChatWndTest, WindowDestroyedUnderTheUndeliveredBox)
{
    CPrompt::SetHandler({}); // the real box
    QPointer<CChatWnd> window = new CChatWnd(host);
    window->SetTimings({30000, 120000, 20});
    window->AttachChat(&chat);
    Type(*window, QStringLiteral("lost"));
    window->Send();
    bool boxShown = false;
    QTimer offline;
    QObject::connect(&offline, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox *>(w) && w->isVisible() && window) {
                boxShown = true;
                delete window.data(); // and the box with it: the list is stale now
                return;
            }
    });
    offline.start(5);
    ASSERT_TRUE(waitUntil([&] { return !window; }));
    EXPECT_TRUE(boxShown);
    QCoreApplication::processEvents();
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_FALSE(qobject_cast<QMessageBox *>(w)) << "the box outlived its window";
}

TEST_F(ChatWndTest, AgentStatesFollowKeysAndTimers)
{
    auto window = std::make_unique<CChatWnd>(host);
    window->SetTimings({20, 40, 10000});
    window->AttachChat(&chat);
    Type(*window, QStringLiteral("x"));
    ASSERT_TRUE(waitUntil([&] { return host.states.size() >= 4; }));
    Type(*window, QStringLiteral("y"));
    window.reset();
    // Attach, typing, paused, inactive, typing again through active, gone.
    EXPECT_EQ(host.states, (std::vector<int>{1, 2, 3, 4, 1, 2, 5}));
}

TEST_F(ChatWndTest, LinesAndStatusTexts)
{
    channel.Publish(FromPeer(QStringLiteral("first"), 1000));
    CChatWnd window(host);
    window.AttachChat(&chat); // replays the stored line
    const QString stamp = FormatLocalTime(u"%#I:%M:%S %p", 1000);
    EXPECT_TRUE(Transcript(window).startsWith(QStringLiteral("[%1] Bob:").arg(stamp))) << Transcript(window).toStdString();
    EXPECT_EQ(window.StatusText(), "Last message received at: " + stamp);

    host.settings[QStringLiteral("chatpane.timestamp")] = false;
    host.settings[QStringLiteral("sitepath.timestamp.format")] = QStringLiteral("%Y");
    channel.Publish(FromPeer(QStringLiteral("second"), 2000));
    EXPECT_TRUE(Transcript(window).contains(QLatin1String("\nBob:\n  second")));
    EXPECT_EQ(window.StatusText(), "Last message received at: " + FormatLocalTime(u"%Y", 2000));

    window.OnChatState(QVPlugin::ChatStateComposing);
    EXPECT_EQ(window.StatusText(), "Bob is typing a message...");
    EXPECT_FALSE(window.findChild<QLabel *>("c110")->pixmap().isNull());
    window.OnChatState(QVPlugin::ChatStatePaused);
    EXPECT_EQ(window.StatusText(), "Last message received at: " + FormatLocalTime(u"%Y", 2000));
    EXPECT_TRUE(window.findChild<QLabel *>("c110")->pixmap().isNull());

    window.OnUploadProgress(50, 200);
    EXPECT_EQ(window.StatusText(), "Uploaded 25%");
    window.OnUploadProgress(0, 0);
    EXPECT_EQ(window.StatusText(), "Uploaded 100%");
    emit chat.upload().failed(QStringLiteral("The server did not answer."), QStringLiteral("/tmp/a.txt"));
    EXPECT_EQ(window.StatusText(), "Upload failed");

    window.EndChat();
    EXPECT_TRUE(Transcript(window).contains(QLatin1String("System:\n  The chat has ended")));
    EXPECT_EQ(channel.Messages().back().type, ChatMessage::Notice);
    EXPECT_EQ(chat.mode(), ChatModeNone);
    EXPECT_EQ(window.GetSkinFormName(), "ChatWndReadOnly");
}

// Whether the last line's body is drawn in the visitor's colour (blue).
bool LastBodyIsBlue(const CChatWnd &window)
{
    QTextCursor cursor(window.Transcript()->document());
    cursor.movePosition(QTextCursor::End);
    cursor.movePosition(QTextCursor::PreviousCharacter);
    return cursor.charFormat().foreground().color() == QColor(0, 0, 255);
}

TEST_F(ChatWndTest, AVisitorsBodyIsPlainTextInTheVisitorsColour)
{
    const QString forged = QStringLiteral("{\\rtf1\\ansi ok\\par {\\b System:}\\par {\\i The chat has ended}{\\fs200 HUGE}}");
    const Jid room(QStringLiteral("visitors.v1@x.org"));
    const Jid visitor(QStringLiteral("visitors.v1@x.org/v1"));
    const Jid colleague(QStringLiteral("visitors.v1@x.org/carl"));
    const struct
    {
        const char *name;
        Jid from;
        bool plain;
    } cases[] = {
        {"the visitor", visitor, true},
        {"an occupant not known as an agent", Jid(QStringLiteral("visitors.v1@x.org/v2")), true},
        {"a colleague in the room", colleague, false},
    };
    for (const auto &c : cases) {
        MessageChannel roomChannel{room};
        CChat roomChat{room, host, roomChannel, QStringLiteral("Visitor")};
        roomChat.SetModeValue(ChatModeRoomParticipant);
        roomChat.SetVisitor(visitor);
        ChatContact carl(colleague);
        carl.role = QVPlugin::RoleParticipant;
        roomChat.members().Update(carl);
        CChatWnd window(host);
        window.AttachChat(&roomChat);
        ChatMessage line;
        line.from = c.from;
        line.body = forged;
        roomChannel.Publish(line);
        EXPECT_EQ(Transcript(window).contains(QLatin1String("{\\rtf1")), c.plain) << c.name;
        EXPECT_EQ(Transcript(window).contains(QLatin1String("The chat has ended")), !c.plain) << c.name;
        EXPECT_EQ(LastBodyIsBlue(window), c.plain) << c.name;
    }
}

TEST_F(ChatWndTest, AttachingAnotherChatShowsOnlyItsLines)
{
    channel.Publish(FromPeer(QStringLiteral("fromBob"), 1000));
    const Jid carl(QStringLiteral("carl@x.org/1"));
    MessageChannel carlChannel{carl};
    CChat carlChat{carl, host, carlChannel, QStringLiteral("Carl")};
    ChatMessage line;
    line.from = carl;
    line.body = QStringLiteral("fromCarl");
    carlChannel.Publish(line);

    CChatWnd window(host);
    window.AttachChat(&chat);
    window.AttachChat(&carlChat);
    window.AttachChat(&chat);
    EXPECT_EQ(Transcript(window).count(QLatin1String("fromBob")), 1) << Transcript(window).toStdString();
    EXPECT_FALSE(Transcript(window).contains(QLatin1String("fromCarl"))) << Transcript(window).toStdString();
}

TEST_F(ChatWndTest, PeerPictureArrivesForThePeerOnly)
{
    CChatWnd window(host);
    window.AttachChat(&chat);
    auto *button = window.findChild<CQVButton *>("c105");
    const QImage fallback = button->GetImage().toImage();
    QImage picture(32, 32, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    emit host.pictures.arrived(Jid(QStringLiteral("carl@x.org/1")), picture);
    EXPECT_EQ(button->GetImage().toImage(), fallback);
    emit host.pictures.arrived(kPeer, picture);
    EXPECT_EQ(button->GetImage().toImage().pixelColor(0, 0), QColor(Qt::red));
}

TEST_F(ChatWndTest, TakeOverMovesTextSelectionAndStatusWithoutGone)
{
    channel.Publish(FromPeer(QStringLiteral("hello"), 1000));
    CChatWnd docked(host);
    docked.AttachChat(&chat);
    Type(docked, QStringLiteral("draft text"));
    QTextCursor cursor = docked.Input()->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(5, QTextCursor::KeepAnchor);
    docked.Input()->setTextCursor(cursor);
    docked.OnChatState(QVPlugin::ChatStateComposing);

    CFullChatWnd frame(host);
    frame.TakeOverChat(docked);
    EXPECT_EQ(frame.GetChat(), &chat);
    EXPECT_EQ(docked.GetChat(), nullptr);
    EXPECT_EQ(frame.Input()->toPlainText(), "draft text");
    EXPECT_EQ(frame.Input()->textCursor().selectedText(), "draft");
    EXPECT_EQ(frame.StatusText(), "Bob is typing a message...");
    // The typing picture comes along with its text.
    EXPECT_FALSE(frame.findChild<QLabel *>("c110")->pixmap().isNull());
    EXPECT_TRUE(Transcript(frame).contains(QLatin1String("hello")));
    EXPECT_TRUE(docked.Input()->toPlainText().isEmpty());
    EXPECT_EQ(docked.GetSkinFormName(), "ChatWndReadOnly");
    EXPECT_EQ(host.states, (std::vector<int>{1, 2, 1}));
}

TEST_F(ChatWndTest, EmoticonsAndHtmlMode)
{
    CChatWnd window(host);
    window.AttachChat(&chat);
    window.InsertEmoticon(0);
    EXPECT_EQ(window.Input()->toPlainText(), " :) ");
    host.settings[QStringLiteral("chatpane.sendhtml")] = true;
    window.findChild<CQVButton *>("c108")->click();
    ASSERT_EQ(prompts.size(), 1);
    EXPECT_TRUE(prompts[0].startsWith(QLatin1String("HTML mode is on.")));
}

TEST_F(ChatWndTest, SaveWritesRtfAndReportsAnUnwritableTarget)
{
    CChatWnd window(host);
    window.AttachChat(&chat);
    channel.Publish(FromPeer(QStringLiteral("to keep"), 1000));
    EXPECT_TRUE(window.DefaultSaveName().startsWith(QLatin1String("Bob_Chat-")));
    EXPECT_TRUE(window.DefaultSaveName().endsWith(QLatin1String(".rtf")));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chat.rtf"));
    ASSERT_TRUE(window.SaveTranscript(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray rtf = file.readAll();
    EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
    EXPECT_TRUE(rtf.contains("keep"));
    EXPECT_TRUE(prompts.isEmpty());

    EXPECT_FALSE(window.SaveTranscript(dir.filePath(QStringLiteral("missing/chat.rtf"))));
    EXPECT_EQ(prompts, QStringList{"Failed to save history"});
}

TEST_F(ChatWndTest, DirectChatWindowsStandInFrames)
{
    QTemporaryDir dir;
    CQVSettingsHelpers::SetStoreFile(dir.filePath(QStringLiteral("state.ini")));
    CChatWindows windows(host);
    QPointer<QWidget> frame = windows.CreateChatWindow(&chat);
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->isWindow() && frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), "Bob/Chat");
    CChatWnd *chatWindow = CChatWindows::ChatWindowOf(frame);
    ASSERT_TRUE(qobject_cast<CFullChatWnd *>(chatWindow));
    EXPECT_EQ(chatWindow->GetChat(), &chat);
    windows.ShowPeerChatState(frame, QVPlugin::ChatStateComposing);
    EXPECT_EQ(chatWindow->StatusText(), "Bob is typing a message...");
    // Signing out destroys the window: the unsent text waits for the next.
    Type(*chatWindow, QStringLiteral("not sent yet"));
    windows.DestroyChatWindow(frame);
    EXPECT_FALSE(frame);
    EXPECT_EQ(host.states, (std::vector<int>{1, 2, 5}));
    QPointer<QWidget> next = windows.CreateChatWindow(&chat);
    EXPECT_EQ(CChatWindows::ChatWindowOf(next)->Input()->toPlainText(), "not sent yet");
    windows.DestroyChatWindow(next);
    CQVSettingsHelpers::SetStoreFile(QString());
}

TEST_F(ChatWndTest, StandardSkinPlacesTheInputByItsLines)
{
    ASSERT_TRUE(CQVSkinManager::Load(QStringLiteral(OSTREL_SOURCE_DIR "/skins/data")));
    ASSERT_TRUE(CQVSkinManager::SetCurrentSkin(QStringLiteral("standard")));
    CChatWnd window(host);
    window.resize(500, 400);
    window.show();
    QWidget *input = window.Input();
    EXPECT_TRUE(input->isHidden());
    window.AttachChat(&chat);
    EXPECT_FALSE(input->isHidden());
    const int oneLine = input->height();
    window.Input()->setPlainText(QStringLiteral("a\nb\nc"));
    EXPECT_GT(input->height(), oneLine);
    EXPECT_LT(window.Transcript()->geometry().bottom(), input->geometry().top());
    window.DetachChat();
    EXPECT_TRUE(input->isHidden());
}

TEST_F(ChatWndTest, QuickTextsByNumberMenuAndShortcut)
{
    CChatWnd window(host);
    window.AttachChat(&chat);
    CQuickTextItem *greeting = nullptr;
    for (CQuickTextCategory *category : host.quickTexts.Root()->Categories()) {
        for (CQuickTextItem *item : category->Items()) {
            if (item->Title() == u"Greeting")
                greeting = item;
        }
    }
    ASSERT_TRUE(greeting);
    window.InsertQuickText(greeting->Number()); // hidden: nothing
    EXPECT_TRUE(window.Input()->toPlainText().isEmpty());

    window.show();
    window.InsertQuickText(greeting->Number());
    const QString text = window.Input()->toPlainText();
    EXPECT_TRUE(text.startsWith(QLatin1String("Good ")) && text.contains(QLatin1String(", my name is Ann."))) << text.toStdString();

    std::unique_ptr<QMenu> menu(window.CreateQuickTextMenu(nullptr));
    EXPECT_FALSE(menu->actions().isEmpty());

    window.Input()->clear();
    greeting->SetShortcut(QuickTextKeys::FromKey(Qt::CTRL | Qt::Key_G));
    QTest::keyClick(window.Input(), Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(window.Input()->toPlainText(), text);
}

TEST_F(ChatWndTest, InputMenuPutsSpellingSuggestionsBeforeTheQuickTexts)
{
    if (!CSpellChecker::Shared().IsEnabled())
        GTEST_SKIP() << "no en_US dictionary";
    CChatWnd window(host);
    window.AttachChat(&chat);
    window.show();
    window.Input()->setPlainText(QStringLiteral("teh"));
    const QPoint word = window.Input()->viewport()->mapTo(
        &window, window.Input()->cursorRect(window.Input()->document()->find(QStringLiteral("teh"))).center());
    QContextMenuEvent event(QContextMenuEvent::Mouse, word, window.mapToGlobal(word));
    QApplication::sendEvent(&window, &event);
    auto *menu = window.findChild<QMenu *>();
    ASSERT_TRUE(menu);
    ASSERT_GT(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), "the");
    menu->close();
}

#include "test_chatwnd.moc"
