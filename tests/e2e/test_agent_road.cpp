// The agent's day from sign-in to sign-out, end to end: the program's main
// frame loads the plug-in libraries from its folder as the program does and
// works against Prosody, the chat-service simulator and the knowledge-base
// service, all on 127.0.0.1. The test reaches the plug-ins only through the
// frame's windows, except for typing on the article editor's web surface.
//
// The road is one test in steps; each step waits on what proves it and says
// which step failed.

#include "tests/host/SignInFixture.h"

#include "host/FrameDefaults.h"
#include "host/OutlookBar.h"
#include "plugins/chat/TessaryMenu.h"
#include "plugins/chat/model/VisitorPaneLogic.h"
#include "plugins/chat/ui/SitePathListCtrl.h"
#include "plugins/chat/ui/VisitorListCtrl.h"
#include "plugins/kbeditor/EditingSurface.h"
#include "plugins/kbeditor/KBArticleFrame.h"
#include "tests/XKeys.h"
#include "tests/harness/ChatServiceSimulator.h"
#include "tests/harness/KBServiceMock.h"
#include "tests/harness/ProsodyFixture.h"
#include "tests/harness/UploadEndpoint.h"
#include "tests/harness/VisitorScript.h"

#include "bus/Commands.h"

#include <QAbstractItemView>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QOpenGLContext>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSet>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <gloox/jid.h>
#include <gtest/gtest.h>

#include <optional>

using namespace hosttest;
using harness::ChatServiceSimulator;
using harness::KBServiceMock;
using harness::ProsodyFixture;
namespace visitors = harness::visitors;

namespace {

ProsodyFixture::Options ServerWithTwoAgents()
{
    ProsodyFixture::Options options;
    options.accounts.append({QStringLiteral("agent2"), QStringLiteral("agent2-secret")});
    // The chat service's visitor rooms, played by the simulator.
    options.extraConfig << QStringLiteral("Component \"rooms.localhost\" \"quelvar_rooms\"");
    return options;
}

// The threads of this process that nobody named: the plug-ins' and the
// harness's own workers (Qt's and the web engine's threads carry names).
int UnnamedThreads()
{
    const auto comm = [](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
    };
    const QByteArray program = comm(QStringLiteral("/proc/self/comm"));
    int count = 0;
    for (const QString &task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        count += comm(QStringLiteral("/proc/self/task/%1/comm").arg(task)) == program ? 1 : 0;
    return count - 1; // the main thread
}

// The TCP sockets this process holds open, listening ones included.
int TcpSockets()
{
    QSet<QByteArray> inodes;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo &fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
        const QString target = fd.symLinkTarget();
        if (target.contains(QLatin1String("socket:[")))
            inodes << target.section(QLatin1Char('['), 1).chopped(1).toLatin1();
    }
    int count = 0;
    for (const char *table : {"/proc/self/net/tcp", "/proc/self/net/tcp6"}) {
        QFile file{QString::fromLatin1(table)};
        if (!file.open(QIODevice::ReadOnly))
            continue;
        file.readLine(); // the heading
        while (!file.atEnd()) {
            const QList<QByteArray> fields = file.readLine().simplified().split(' ');
            count += fields.size() > 9 && inodes.contains(fields[9]) ? 1 : 0;
        }
    }
    return count;
}

// The first widget under root whose class (or a base) has this name; the
// plug-ins' classes live in their libraries, so the test knows them by name.
QWidget *FindByClass(QWidget *root, const char *className)
{
    for (QWidget *w : root->findChildren<QWidget *>())
        if (w->inherits(className))
            return w;
    return nullptr;
}

QWidget *TopLevelByClass(const char *className)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->inherits(className) && w->isVisible())
            return w;
    return nullptr;
}

QAction *ActionOf(QWidget *window, unsigned id)
{
    for (QAction *action : window->findChildren<QAction *>())
        if (QVPlugin::CommandIdOf(action) == id)
            return action;
    return nullptr;
}

// The row whose column holds text exactly; -1 when none.
int RowWith(const QAbstractItemModel *model, int column, const QString &text)
{
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->index(row, column).data().toString() == text)
            return row;
    return -1;
}

class AgentRoad : public SignInFrame
{
protected:
    AgentRoad() : server(ServerWithTwoAgents()) {}

    void SetUp() override
    {
        if (!ProsodyFixture::Installed())
            GTEST_SKIP() << "prosody is not installed (scripts/install-deps.sh installs it)";
        {
            // The GL driver's worker threads come with the first GL context
            // (the first web view's) and stay with the process: count them in.
            QOpenGLContext driver;
            driver.create();
        }
        threadsBefore = UnnamedThreads();
        socketsBefore = TcpSockets();
        SignInFrame::SetUp();
        // The plug-ins show their message boxes themselves (the recorded
        // prompts are the host's): each is recorded likewise and closed, so
        // the road fails on it rather than waiting.
        QObject::connect(&boxWatch, &QTimer::timeout, [this] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                    prompts << box->text();
                    box->done(QMessageBox::Ok);
                }
        });
        boxWatch.start(20);
        // The file dialog must be one of Qt's widgets for the test to fill it.
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
        ASSERT_TRUE(server.Start()) << server.ErrorText().toStdString();
        uploads = std::make_unique<harness::UploadEndpoint>(uploadFolder.path());
        ASSERT_TRUE(uploadFolder.isValid() && uploads->Start());
        ASSERT_TRUE(kb.Start());
        kb.AddCannedData();
        for (const char *library : {"Wirlam.so", "Tessary.so", "Brandle.so", "Lumory.so"})
            ASSERT_TRUE(QFile::copy(QStringLiteral(OSTREL_PROGRAM_DIR "/") + library,
                                    ProgramDir() + QLatin1Char('/') + library))
                << library;
        ASSERT_TRUE(QFile::link(QStringLiteral(OSTREL_PROGRAM_DIR "/web"), ProgramDir() + QStringLiteral("/web")));
        service = std::make_unique<ChatServiceSimulator>(Account(QStringLiteral("sim")));
        ASSERT_TRUE(service->Start()) << service->ErrorText().toStdString();
        Start();
        SetSetting(QStringLiteral("server.cafile"), server.CaFile());
        SetSetting(QStringLiteral("server.address"), server.Address());
    }
    void TearDown() override
    {
        secondAgent.reset();
        service.reset();
        SignInFrame::TearDown();
    }

    ChatServiceSimulator::Config Account(const QString &user) const
    {
        return {QStringLiteral("127.0.0.1"), server.Port(), server.Jid(user), server.PasswordOf(user)};
    }
    std::string ServerLog() const { return server.Log().toStdString(); }
    std::string Prompts() const { return prompts.join(QLatin1Char('|')).toStdString(); }

    template <typename T = QWidget>
    T *Named(const char *name) const
    {
        return frame ? frame->findChild<T *>(QLatin1String(name)) : nullptr;
    }

    // Over verified TLS (the frame trusts only the test CA), through the
    // login dialog; the service then learns the agent's address from the
    // quick-text request and hands out the account with the knowledge base.
    void SignIn()
    {
        WhenShown<CLoginDlg>([&](CLoginDlg *dialog) {
            FillLogin(dialog, server.Jid(QStringLiteral("agent")), server.PasswordOf(QStringLiteral("agent")));
        });
        ASSERT_TRUE(frame->RunCommand(CmdSignIn));
        ASSERT_TRUE(waitUntil([&] {
            return frame->ConnectionState() == QVPlugin::PresenceOnline && !dialogs->Connecting();
        }, 15000)) << "signing in: " << Prompts() << ServerLog();
        EXPECT_TRUE(prompts.isEmpty()) << Prompts();

        const auto fetch = service->ExpectIq("quelvar:data", 10000);
        ASSERT_TRUE(fetch) << "the live-chat plug-in asked the service for nothing";
        agent = fetch->findAttribute("from");
        service->Reply(*fetch);
        const visitors::Account account{"acc-1", "Ann Agent", "key-1", kb.Url(), uploads->Url().toStdString(), "", ""};
        service->Send(*visitors::NoticeStanza(agent, visitors::AccountData(account)));
        ASSERT_TRUE(waitUntil([&] { return Setting(QStringLiteral("kb.webservice.url")).toString()
                                           == QString::fromStdString(kb.Url()); }, 10000))
            << "the account data did not reach the settings";
    }

    // A visitor walks three pages: one row follows the visitor, and the
    // site path of the visitor, selected after the first page, follows too.
    // The pages lie on a closed port of 127.0.0.1: nothing may browse them.
    void VisitorWalks()
    {
        auto *list = qobject_cast<QAbstractItemView *>(Named("VisitorList"));
        ASSERT_NE(list, nullptr) << "no visitor list in the monitor view";
        QWidget *pane = Named("VisitorChatPane");
        ASSERT_NE(pane, nullptr) << "no visitor pane below the list";
        auto *sitePath = pane->findChild<QAbstractItemView *>(QStringLiteral("c103"));
        ASSERT_NE(sitePath, nullptr) << "no site path in the visitor pane";
        for (QTabWidget *tabs : pane->findChildren<QTabWidget *>())
            if (tabs->indexOf(sitePath) >= 0)
                tabs->setCurrentWidget(sitePath);
        ASSERT_TRUE(sitePath->isVisible()) << "the site path tab did not open";

        const QAbstractItemModel *model = list->model();
        const std::vector<visitors::Page> walk{
            {"http://127.0.0.1:9/", "home", "Welcome", "http://127.0.0.1:9/search?q=lamps", "p1", 0},
            {"http://127.0.0.1:9/lamps?sort=price&dir=up", "lamps", "Lamps & Lights", "", "p2", 0},
            {"http://127.0.0.1:9/cart", "cart", "Your <cart>", "", "p3", 0}};
        for (const visitors::Page &page : walk) {
            service->Send(*visitors::NoticeStanza(agent, visitors::Tracking("v-1", "h-1", "Vic", page)));
            ASSERT_TRUE(waitUntil([&] {
                const int row = RowWith(model, CVisitorListModel::ColumnVisitor, QStringLiteral("Vic"));
                return row >= 0 && model->index(row, CVisitorListModel::ColumnCurrentPage).data().toString()
                                       == QString::fromStdString(page.url);
            }, 10000)) << "the visitor's row does not show " << page.url;
            if (&page == &walk.front())
                list->selectionModel()->setCurrentIndex(
                    model->index(0, CVisitorListModel::ColumnVisitor),
                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        EXPECT_EQ(model->rowCount(), 1) << "one row per visitor";
        EXPECT_EQ(model->index(0, CVisitorListModel::ColumnPageTitle).data().toString(), "Your <cart>");

        const QAbstractItemModel *records = sitePath->model();
        const auto titles = [&] {
            QStringList shown;
            for (int row = 0; row < records->rowCount(); ++row)
                shown << records->index(row, CSitePathModel::ColumnTitle).data().toString();
            return shown;
        };
        const QStringList expected{"Welcome", "Lamps & Lights", "Your <cart>"};
        EXPECT_TRUE(waitUntil([&] { return titles() == expected; }, 10000))
            << "the site path shows " << titles().join(QLatin1Char('|')).toStdString();
    }

    // Another agent signs in and shows in the bar's agents list.
    void SecondAgentAppears()
    {
        secondAgent = std::make_unique<ChatServiceSimulator>(Account(QStringLiteral("agent2")));
        ASSERT_TRUE(secondAgent->Start()) << secondAgent->ErrorText().toStdString();
        auto *agents = Named<QListWidget>("c111");
        ASSERT_NE(agents, nullptr) << "no agents list in the live-chat bar";
        ASSERT_TRUE(waitUntil([&] {
            for (int i = 0; i < agents->count(); ++i)
                if (agents->item(i)->text().contains(QLatin1String("agent2")))
                    return true;
            return false;
        }, 10000)) << "the second agent is not in the agents list";
    }

    // The visitor's status as the list shows it.
    QString VisitorStatus() const
    {
        const QAbstractItemModel *model = Named<QAbstractItemView>("VisitorList")->model();
        const int row = RowWith(model, CVisitorListModel::ColumnVisitor, QStringLiteral("Vic"));
        return row < 0 ? QString() : model->index(row, CVisitorListModel::ColumnStatus).data().toString();
    }

    // The transcript of the chat shown in the visitor pane.
    QString PaneTranscript() const
    {
        QWidget *chat = Named("Chat Pane");
        auto *transcript = chat ? chat->findChild<QTextEdit *>(QStringLiteral("c106")) : nullptr;
        return transcript ? transcript->toPlainText() : QString();
    }

    // The visitor asks for a chat in its room; the list says so.
    void VisitorAsksForChat()
    {
        service->Send(*visitors::NoticeStanza(
            agent, visitors::VisitorInfo("v-1", {{"state", "8"}, {"display-name", "Vic"}, {"hash", "h-1"},
                                                 {"group-chat-id", kRoom}})));
        ASSERT_TRUE(waitUntil([&] { return VisitorStatus() == QLatin1String("Requesting Chat"); }, 10000))
            << "the visitor's status is " << VisitorStatus().toStdString();
        // The visitor writes before anyone accepts; the receipt says it arrived.
        const auto early = RoomMessage("v-1-0");
        new gloox::Tag(early.get(), "body", "Anyone there?");
        new gloox::Tag(early.get(), "request", "xmlns", "urn:xmpp:receipts");
        service->Send(*early);
        ASSERT_TRUE(service->Expect([](const gloox::Tag &tag) { return tag.findAttribute("id") == "v-1-0"; }, 10000))
            << "the visitor's early line got no receipt";
    }

    // The agent accepts from the visitor pane; the service answers as it
    // does, the visitor now chatting, and the pane shows the chat.
    void AgentAccepts()
    {
        ASSERT_TRUE(frame->RunCommand(CVisitorPaneLogic::CmdAccept)) << "the accept command did not run";
        const auto accept = service->Expect(visitors::IsCommand("accept-visitor-chat"), 10000);
        ASSERT_TRUE(accept) << "the service never heard the accept";
        const std::optional<visitors::Command> command = visitors::ReadCommand(*accept);
        ASSERT_TRUE(command);
        EXPECT_EQ(command->sessionId, "v-1");
        service->Reply(*accept);
        service->Send(*visitors::NoticeStanza(agent, visitors::StateChange("v-1", 6)));
        service->Send(*visitors::NoticeStanza(agent, visitors::SessionNotification("v-1", "Ann Agent has joined the chat.")));
        ASSERT_TRUE(waitUntil([&] { return VisitorStatus() == QLatin1String("Chatting"); }, 10000))
            << "the visitor's status is " << VisitorStatus().toStdString();
        QWidget *chat = Named("Chat Pane");
        ASSERT_NE(chat, nullptr) << "no chat window in the visitor pane";
        EXPECT_TRUE(waitUntil([&] { return chat->isVisible(); })) << "the chat column did not open";
        EXPECT_TRUE(waitUntil([&] { return PaneTranscript().contains(QLatin1String("has joined the chat")); }, 10000))
            << "the chat shows: " << PaneTranscript().toStdString();
        const qsizetype early = PaneTranscript().simplified().indexOf(QLatin1String("Anyone there?"));
        EXPECT_TRUE(early >= 0 && early < PaneTranscript().simplified().indexOf(QLatin1String("has joined")))
            << "the line written before the accept is not first: " << PaneTranscript().toStdString();
        EXPECT_TRUE(prompts.isEmpty()) << Prompts();
    }

    // The agent answers with a quick text from the input's menu and sends it
    // with Enter; the visitor's room gets it.
    void AgentAnswersWithQuickText()
    {
        QWidget *chat = Named("Chat Pane");
        auto *input = chat->findChild<QWidget *>(QStringLiteral("c107"));
        ASSERT_NE(input, nullptr) << "no input in the chat window";
        // The agent's keys reach the service as typing in the visitor's session.
        QTest::keyClick(input, Qt::Key_Backspace);
        const auto typing = service->Expect(visitors::IsCommand("agent-typing"), 10000);
        ASSERT_TRUE(typing) << "the service never heard the agent typing";
        EXPECT_EQ(visitors::ReadCommand(*typing)->sessionId, kRoom + "/v-1");
        service->Reply(*typing);
        EXPECT_FALSE(service->Expect([](const gloox::Tag &t) { return t.findChild("composing") != nullptr; }, 0))
            << "a chat state went to the room";
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, input->geometry().center(),
                                    chat->mapToGlobal(input->geometry().center()));
        QApplication::sendEvent(chat, &menuEvent);
        QMenu *menu = nullptr;
        ASSERT_TRUE(waitUntil([&] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *m = qobject_cast<QMenu *>(w); m && m->isVisible())
                    menu = m;
            return menu != nullptr;
        })) << "no quick-text menu";
        QAction *greeting = MenuItem(menu, QStringLiteral("Thanks for waiting"));
        ASSERT_NE(greeting, nullptr) << "no such quick text";
        greeting->trigger();
        menu->close();
        QTest::keyClick(input, Qt::Key_Return);
        const auto sent = service->Expect([](const gloox::Tag &tag) {
            return tag.name() == "message" && tag.findAttribute("type") == "groupchat" && tag.findChild("body");
        }, 10000);
        ASSERT_TRUE(sent) << "the visitor's room got nothing";
        sentId = sent->findAttribute("id");
        // The room's text is the HTML and the plain text, each in base64.
        const QByteArray body = QByteArray::fromStdString(sent->findChild("body")->cdata());
        EXPECT_EQ(QString::fromUtf8(QByteArray::fromBase64(body.mid(body.indexOf(',') + 1))),
                  "Thank you for waiting. I am with you now.");
    }

    // A message of the visitor's room to the agent, as the room sends it.
    std::unique_ptr<gloox::Tag> RoomMessage(const std::string &id) const
    {
        auto message = std::make_unique<gloox::Tag>("message");
        message->addAttribute("type", "groupchat");
        message->addAttribute("from", kRoom + "/v-1");
        message->addAttribute("to", agent);
        message->addAttribute("id", id);
        return message;
    }

    // The room acknowledges the agent's line under the line's id, as the
    // service does: the chat window unlocks and shows the line. The visitor
    // answers asking for a receipt and gets one; its markup shows as typed.
    void VisitorRepliesWithReceipts()
    {
        QWidget *chat = Named("Chat Pane");
        const QString delivered = QStringLiteral("I am with you now.");
        ASSERT_FALSE(chat->isEnabled()) << "the chat window does not wait for the receipt";
        EXPECT_FALSE(PaneTranscript().contains(delivered)) << "the line shows before it was delivered";
        const auto receipt = RoomMessage(sentId);
        new gloox::Tag(receipt.get(), "received", "xmlns", "urn:xmpp:receipts");
        service->Send(*receipt);
        // Unlocked by the receipt, not by the send's time running out.
        ASSERT_TRUE(waitUntil([&] { return chat->isEnabled(); }, 10000) && prompts.isEmpty())
            << "the receipt did not unlock the chat window: " << Prompts();
        EXPECT_TRUE(PaneTranscript().contains(delivered)) << "the chat shows: " << PaneTranscript().toStdString();

        const std::string said = "Is <b>this</b> &amp; \"that\" free?";
        const auto line = RoomMessage("v-1-1");
        new gloox::Tag(line.get(), "body", said);
        new gloox::Tag(line.get(), "request", "xmlns", "urn:xmpp:receipts");
        service->Send(*line);
        EXPECT_TRUE(waitUntil([&] { return PaneTranscript().simplified().contains(QString::fromStdString(said)); }, 10000))
            << "the chat shows: " << PaneTranscript().toStdString();
        EXPECT_TRUE(service->Expect([](const gloox::Tag &tag) {
            return tag.name() == "message" && tag.findAttribute("id") == "v-1-1"
                   && tag.findChild("received", "xmlns", "urn:xmpp:receipts");
        }, 10000)) << "the visitor's line got no receipt";
        EXPECT_TRUE(prompts.isEmpty()) << Prompts();
    }

    // A colleague writes twice while the agent types to the visitor: the
    // colleague's window opens and is raised, but the keys and the unsent
    // text stay with the visitor.
    void ColleagueWritesWhileAgentTypes()
    {
        auto *input = Named("Chat Pane")->findChild<QTextEdit *>(QStringLiteral("c107"));
        ASSERT_TRUE(xkeys::Activate(frame.get())) << "the frame never got the keys";
        ASSERT_TRUE(waitUntil([&] {
            input->setFocus();
            return QApplication::focusWidget() == input;
        })) << "the input never got the keys";
        // Typed through the X server while the lines come in, so the keys
        // go wherever the window system sends them.
        const QString typed = QStringLiteral("number 1234");
        auto keys = xkeys::StartTyping(typed, 120);
        for (const char *line : {"Got a minute?", "It is about order 77."}) {
            gloox::Tag message("message");
            message.addAttribute("type", "chat");
            message.addAttribute("to", agent);
            new gloox::Tag(&message, "body", line);
            secondAgent->Send(message);
            QWidget *colleague = nullptr;
            ASSERT_TRUE(waitUntil([&] {
                colleague = TopLevelByClass("CTessaryPane");
                auto *transcript = colleague ? colleague->findChild<QTextEdit *>(QStringLiteral("c106")) : nullptr;
                return transcript && transcript->toPlainText().simplified().contains(QLatin1String(line));
            }, 10000)) << "the colleague's line did not show: " << line;
            QTest::qWait(100);
            // Judged by the windows themselves: a desktop without a window
            // manager may leave no window active at all for a moment.
            EXPECT_NE(QApplication::activeWindow(), colleague) << "the colleague's frame took the keys: " << line;
            EXPECT_EQ(input->window()->focusWidget(), input) << "the colleague's line took the keys: " << line;
        }
        ASSERT_TRUE(keys->Wait());
        EXPECT_EQ(input->toPlainText().toStdString(), typed.toStdString()) << "keys typed: " << typed.size();
        input->clear();
    }

    // The agent sends a file from the chat window: the service's web module
    // stores it, and the chat tells the agent where.
    void AgentSendsFile()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("lamps.txt"));
        const QByteArray content = "Lamp, brass: 40\nShade, linen: 15\n";
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();
        WhenShown<QFileDialog>([&](QFileDialog *dialog) {
            dialog->selectFile(path);
            static_cast<QDialog *>(dialog)->accept(); // the file dialog's own check runs
        });
        QSignalSpy stored(uploads.get(), &harness::UploadEndpoint::stored);
        auto *sendFile = Named("Chat Pane")->findChild<QAbstractButton *>(QStringLiteral("c10250"));
        ASSERT_NE(sendFile, nullptr) << "no Send File button in the chat window";
        sendFile->click();
        ASSERT_TRUE(waitUntil([&] { return !stored.isEmpty(); }, 10000)) << "no file was uploaded: " << Prompts();
        const QString address = stored.first().first().toString();
        QFile kept(uploads->Folder().filePath(QStringLiteral("lamps.txt")));
        EXPECT_TRUE(kept.open(QIODevice::ReadOnly) && kept.readAll() == content) << address.toStdString();
        const QString notice = QStringLiteral("File lamps.txt has been uploaded as ") + address;
        EXPECT_TRUE(waitUntil([&] { return PaneTranscript().contains(notice); }, 10000))
            << "the chat shows: " << PaneTranscript().toStdString();
        EXPECT_TRUE(prompts.isEmpty()) << Prompts();
    }

    // The agent pushes a page into the visitor's browser from the visitor
    // pane; the service gets the address as typed.
    void AgentPushesPage()
    {
        const QString url = QStringLiteral("http://127.0.0.1:9/lamps?sort=price&dir=up#brass");
        bool asked = false;
        WhenShown<QDialog>([&](QDialog *dialog) {
            asked = dialog->objectName() == QLatin1String("CPushWebPageDlg");
            if (!asked)
                return dialog->reject();
            dialog->findChild<QLineEdit *>(QStringLiteral("c10008"))->setText(url);
            dialog->findChild<QAbstractButton *>(QStringLiteral("c10011"))->click();
        });
        ASSERT_TRUE(frame->RunCommand(CVisitorPaneLogic::CmdPushPage)) << "the push command did not run";
        ASSERT_TRUE(asked) << "no push-page dialog";
        const auto push = service->Expect(visitors::IsCommand("push-url-visitor"), 10000);
        ASSERT_TRUE(push) << "the service never heard the push";
        service->Reply(*push);
        const std::optional<visitors::Command> command = visitors::ReadCommand(*push);
        ASSERT_TRUE(command);
        EXPECT_EQ(command->sessionId, "v-1");
        EXPECT_EQ(QString::fromStdString(command->text), url);
    }

    // The text a web view renders, once the engine answers.
    static QString RenderedText(QWebEngineView *view)
    {
        auto text = std::make_shared<std::optional<QString>>();
        view->page()->toPlainText([text](const QString &result) { *text = result; });
        waitUntil([&] { return text->has_value(); }, 10000);
        return text->value_or(QString());
    }

    // The agent asks for the visitor's earlier chats; the service's answer
    // shows in the History tab, the visitor's words as written.
    void HistoryTab()
    {
        QWidget *pane = Named("VisitorChatPane");
        QWidget *page = nullptr;
        for (QTabWidget *tabs : pane->findChildren<QTabWidget *>())
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->tabText(i) == QLatin1String("History")) {
                    tabs->setCurrentIndex(i);
                    page = tabs->widget(i);
                }
        ASSERT_NE(page, nullptr) << "no History tab in the visitor pane";
        ASSERT_TRUE(frame->RunCommand(CVisitorPaneLogic::CmdHistory)) << "the history command did not run";
        const auto query = service->Expect(visitors::IsCommand("visitor-history"), 10000);
        ASSERT_TRUE(query) << "the service was never asked for the history";
        const std::optional<visitors::Command> command = visitors::ReadCommand(*query);
        ASSERT_TRUE(command);
        EXPECT_TRUE(command->query);
        EXPECT_EQ(command->sessionId, "v-1");
        service->Send(*visitors::NoticeStanza(
            agent, visitors::VisitorHistory("v-1", "<p>1 Dec, Vic: a &lt;b&gt;brass&lt;/b&gt; lamp &amp; shade?</p>")));
        QWebEngineView *view = nullptr;
        ASSERT_TRUE(waitUntil([&] { return (view = page->findChild<QWebEngineView *>()) != nullptr; }, 10000))
            << "the History tab shows no page";
        const QString expected = QStringLiteral("1 Dec, Vic: a <b>brass</b> lamp & shade?");
        EXPECT_TRUE(waitUntil([&] { return RenderedText(view).contains(expected); }, 30000))
            << "the History tab shows: " << RenderedText(view).toStdString();
        EXPECT_TRUE(prompts.isEmpty()) << Prompts();
    }

    // The item of a menu or its submenus whose text (without accelerators) is this.
    static QAction *MenuItem(QMenu *menu, const QString &text)
    {
        for (QAction *action : menu->actions()) {
            if (action->menu())
                if (QAction *inner = MenuItem(action->menu(), text))
                    return inner;
            if (QString(action->text()).remove(QLatin1Char('&')) == text)
                return action;
        }
        return nullptr;
    }

    // Searches from the knowledge-base bar; the titles of the results.
    QStringList Search(const QString &words, int expected)
    {
        auto *bar = FindByClass(frame.get(), "CKBSearchWindow");
        EXPECT_NE(bar, nullptr) << "no knowledge-base search window";
        if (!bar)
            return {};
        auto *list = bar->findChild<QAbstractItemView *>(QStringLiteral("c105"));
        bar->findChild<QLineEdit *>(QStringLiteral("c103"))->setText(words);
        bar->findChild<QAbstractButton *>(QStringLiteral("c104"))->click();
        QStringList titles;
        const bool came = waitUntil([&] { return list->model()->rowCount() == expected; }, 10000);
        EXPECT_TRUE(came) << "searching " << words.toStdString() << ": " << list->model()->rowCount() << " rows";
        for (int row = 0; row < list->model()->rowCount(); ++row)
            titles << list->model()->index(row, 0).data().toString();
        return titles;
    }

    // Selects the visitor's row in the visitor list; false when it has none.
    bool SelectVisitor(const QString &name) const
    {
        auto *list = Named<QAbstractItemView>("VisitorList");
        const int row = RowWith(list->model(), CVisitorListModel::ColumnVisitor, name);
        if (row < 0)
            return false;
        list->selectionModel()->setCurrentIndex(list->model()->index(row, CVisitorListModel::ColumnVisitor),
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return true;
    }

    // A second visitor arrives with markup in its page title; the agent
    // blocks it from the visitor's menu, from chatting and monitoring both,
    // and the service hears it. Nothing confirms a block, so the row stays
    // until the service reports the visitor gone.
    void BlockSecondVisitor()
    {
        auto *list = Named<QAbstractItemView>("VisitorList");
        const QAbstractItemModel *model = list->model();
        const std::string title = "<img src=x onerror=alert(1)> & \"Eve's\" </td>";
        service->Send(*visitors::NoticeStanza(
            agent, visitors::Tracking("v-2", "h-2", "Eve", {"http://127.0.0.1:9/deals", "deals", title, "", "e1", 0})));
        ASSERT_TRUE(waitUntil([&] { return RowWith(model, CVisitorListModel::ColumnVisitor, "Eve") >= 0; }, 10000))
            << "the second visitor has no row";
        const int row = RowWith(model, CVisitorListModel::ColumnVisitor, QStringLiteral("Eve"));
        EXPECT_EQ(model->index(row, CVisitorListModel::ColumnPageTitle).data().toString().toStdString(), title);
        ASSERT_TRUE(SelectVisitor(QStringLiteral("Eve")));

        WhenShown<QMenu>([](QMenu *menu) {
            menu->setActiveAction(MenuItem(menu, QStringLiteral("Block Visitor...")));
            if (menu->activeAction())
                QTest::keyClick(menu, Qt::Key_Return);
            else
                menu->close();
        });
        std::string shown;
        WhenShown<QDialog>([&](QDialog *dialog) {
            shown = dialog->metaObject()->className();
            if (auto *both = dialog->findChild<QAbstractButton *>(QStringLiteral("c10026")))
                both->click();
            else
                dialog->reject();
        });
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        QApplication::sendEvent(list, &menuKey);
        const auto block = service->Expect(visitors::IsCommand("block-visitor"), 10000);
        ASSERT_TRUE(block) << "the service never heard the block; the dialog shown: " << shown;
        const std::optional<visitors::Command> command = visitors::ReadCommand(*block);
        EXPECT_EQ(command->from, agent);
        EXPECT_EQ(command->sessionId, "v-2");
        EXPECT_EQ(command->text, "both");
        service->Reply(*block);
        EXPECT_EQ(model->rowCount(), 2) << "the blocked visitor left the list on its own";
        EXPECT_TRUE(prompts.isEmpty()) << Prompts();
    }

    // The agent hands Vic's chat to the second agent with the transfer
    // dialog. The service asks the second agent, who accepts, and tells the
    // agent that the chat went: the visitor, its chat and the agent's place
    // in its room all go.
    void TransferToSecondAgent()
    {
        ASSERT_TRUE(SelectVisitor(QStringLiteral("Vic")));
        QWidget *chat = Named("Chat Pane");
        ASSERT_TRUE(waitUntil([&] { return chat->isVisible(); })) << "Vic's chat is not back in the pane";
        auto *conversations = Named<QListWidget>("c112");
        ASSERT_NE(conversations, nullptr) << "no chats list in the live-chat bar";
        // The colleague's chat stays listed beside it.
        const auto listed = [&] { return conversations->findItems(QStringLiteral("Vic"), Qt::MatchExactly).size(); };
        EXPECT_EQ(listed(), 1) << "the bar does not list the chat";

        const QString note = QStringLiteral("Vic asks about \"lamps\" & <cart>");
        QStringList offered;
        WhenShown<QDialog>([&](QDialog *dialog) {
            auto *agents = dialog->findChild<QListWidget *>(QStringLiteral("c10029"));
            for (int i = 0; agents && i < agents->count(); ++i) {
                offered << agents->item(i)->text();
                if (offered.last().contains(QLatin1String("agent2")))
                    agents->setCurrentRow(i);
            }
            auto *message = dialog->findChild<QPlainTextEdit *>(QStringLiteral("c107"));
            auto *ok = dialog->findChild<QAbstractButton *>(QStringLiteral("c1"));
            // The plug-in's own boxes are real: a refused OK would wait in one.
            if (!agents || !message || !ok || !agents->currentItem() || !agents->currentItem()->isSelected()) {
                dialog->reject();
                return;
            }
            message->setPlainText(note);
            ok->click();
        });
        ASSERT_TRUE(frame->RunCommand(TessaryMenu::CmdTransfer)) << "the transfer command did not run";
        const auto transfer = service->Expect(visitors::IsCommand("transfer-visitor-chat"), 10000);
        ASSERT_TRUE(transfer) << "the service never heard the transfer; agents offered: "
                              << offered.join(QLatin1Char('|')).toStdString();
        const std::optional<visitors::Command> command = visitors::ReadCommand(*transfer);
        EXPECT_EQ(command->sessionId, "v-1");
        const std::optional<visitors::Transfer> text = visitors::ReadTransfer(command->text);
        ASSERT_TRUE(text) << command->text;
        EXPECT_EQ(gloox::JID(text->agent).bare(), server.Jid(QStringLiteral("agent2")).toStdString());
        EXPECT_EQ(text->message, note.toStdString());
        service->Reply(*transfer);

        service->Send(*visitors::NoticeStanza(secondAgent->FullJid(),
                                              visitors::TransferRequest("v-1", agent, text->message)));
        ASSERT_TRUE(secondAgent->Expect([](const gloox::Tag &tag) {
            const std::optional<visitors::Notice> notice = visitors::ReadNotice(tag);
            return notice && notice->type == "transfer-visitor-chat-request" && notice->sessionId == "v-1";
        }, 10000)) << "the second agent never got the request";
        secondAgent->Send(*visitors::CommandStanza("transfer-visitor-chat-accepted", "v-1", agent));
        const auto accepted = service->Expect(visitors::IsCommand("transfer-visitor-chat-accepted"), 10000);
        ASSERT_TRUE(accepted) << "the service never heard the second agent accept";
        service->Reply(*accepted);
        service->Send(*visitors::NoticeStanza(agent, visitors::TransferAccept("v-1")));

        EXPECT_TRUE(waitUntil([&] { return VisitorStatus().isEmpty(); }, 10000)) << "Vic is still in the list";
        EXPECT_TRUE(waitUntil([&] { return listed() == 0; })) << "the bar still lists the chat";
        EXPECT_TRUE(waitUntil([&] { return !chat->isVisible(); })) << "the chat column stayed open";
        const auto left = service->Expect([](const gloox::Tag &tag) {
            return tag.name() == "presence" && tag.findAttribute("type") == "unavailable"
                   && gloox::JID(tag.findAttribute("to")).bare() == kRoom;
        }, 10000);
        EXPECT_TRUE(left) << "the agent stayed in the visitor's room";
        EXPECT_TRUE(prompts.isEmpty()) << Prompts();
    }

    // Finds an article, previews it, edits its title and body in the editor
    // frame, saves, and a new search finds the change.
    void KnowledgeBase()
    {
        QWidget *kbBar = FindByClass(frame.get(), "CLumoryBar");
        ASSERT_NE(kbBar, nullptr) << "the knowledge-base editor did not add its bar page";
        ASSERT_TRUE(frame->OutlookBar()->SetActivePage(frame->OutlookBar()->IndexOf(kbBar)))
            << "the knowledge-base page did not open";
        ASSERT_EQ(Search(QStringLiteral("parcel"), 1), QStringList{"Where is my parcel?"});

        auto *results = FindByClass(frame.get(), "CKBSearchWindow")->findChild<QAbstractItemView *>("c105");
        results->setCurrentIndex(results->model()->index(0, 0));
        emit results->doubleClicked(results->currentIndex());
        auto *tabs = FindByClass(frame.get(), "CLumoryView")->findChild<QTabWidget *>();
        ASSERT_NE(tabs, nullptr);
        ASSERT_TRUE(waitUntil([&] {
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->tabText(i).contains(QLatin1String("Where is my parcel?")))
                    return true;
            return false;
        }, 10000)) << "no preview tab for the article";

        // Edit from the list's menu, as the agent does with the keyboard.
        WhenShown<QMenu>([](QMenu *menu) {
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), QPoint());
        QApplication::sendEvent(results, &menuKey);
        QPointer<QWidget> editor;
        ASSERT_TRUE(waitUntil([&] { return (editor = TopLevelByClass("CKBArticleFrame")) != nullptr; }, 10000))
            << "no editor frame opened";
        // The body is edited on the web surface, as the agent types into it.
        auto *surface = static_cast<CEditingSurface *>(FindByClass(editor, "CEditingSurface"));
        ASSERT_NE(surface, nullptr);
        const QString edited = QStringLiteral("A carrier pigeon brings every parcel.");
        ASSERT_TRUE(waitUntil([&] { return surface->Body().has_value(); }, 30000)) << "the editing surface never loaded";
        EXPECT_TRUE(surface->Body()->contains(QLatin1String("tracking link"))) << surface->Body()->toStdString();
        // Typed in and saved at once: the save must still have every key.
        // A loaded test machine can take the window's activation away for a
        // moment, and the engine drops keys that come before its page has
        // the focus: a first key, waited for, proves the page takes keys.
        QWidget *page = surface->findChild<QWebEngineView *>()->focusProxy();
        ASSERT_NE(page, nullptr);
        QString probe;
        ASSERT_TRUE(waitUntil([&] {
            QApplication::setActiveWindow(editor);
            surface->findChild<QWebEngineView *>()->setFocus();
            if (QApplication::activeWindow() != editor || !page->hasFocus())
                return false;
            surface->Exec(QStringLiteral("selectAll"));
            QTest::keyClicks(page, QStringLiteral("Q"));
            probe = surface->Body().value_or(QString());
            return probe.contains(QLatin1Char('Q')) && !probe.contains(QLatin1String("tracking"));
        }, 30000)) << "the editor's page never took keys: " << probe.toStdString();
        surface->Exec(QStringLiteral("selectAll"));
        ASSERT_TRUE(waitUntil([&] { return ActionOf(editor, KBEditorCommand::Cut)->isEnabled(); }, 30000));
        QTest::keyClicks(page, edited);
        editor->findChild<QLineEdit *>(QStringLiteral("c1045"))->setText(QStringLiteral("Where is my parcel now?"));
        ActionOf(editor, KBEditorCommand::Save)->trigger();
        ASSERT_TRUE(waitUntil([&] { return kb.Article("102").title == "Where is my parcel now?"; }, 10000))
            << "the service never got the saved article: " << Prompts();
        EXPECT_TRUE(QString::fromStdString(kb.Article("102").content).contains(edited)) << kb.Article("102").content;
        ActionOf(editor, KBEditorCommand::Close)->trigger();
        ASSERT_TRUE(waitUntil([&] { return !editor || !editor->isVisible(); })) << "the saved article did not close";

        EXPECT_EQ(Search(QStringLiteral("pigeon"), 1), QStringList{"Where is my parcel now?"});
        EXPECT_TRUE(prompts.isEmpty()) << Prompts();
    }

    // Sign-out shows the login dialog; cancelled, the program ends, and with
    // the frame gone no session, window or worker thread is left.
    void SignOutAndShutDown()
    {
        bool loginShown = false;
        WhenShown<CLoginDlg>([&](CLoginDlg *dialog) {
            loginShown = true;
            dialog->reject();
        });
        ASSERT_TRUE(frame->RunCommand(CmdSignOut));
        EXPECT_TRUE(loginShown);
        ASSERT_TRUE(waitUntil([&] { return !frame->isVisible(); })) << "cancelled: the program ends";
        const auto gone = secondAgent->Expect([&](const gloox::Tag &tag) {
            return tag.name() == "presence" && tag.findAttribute("type") == "unavailable"
                   && tag.findAttribute("from") == agent;
        }, 10000);
        EXPECT_TRUE(gone) << "the other agent never saw the agent leave";

        frame.reset();
        secondAgent.reset();
        service.reset();
        kb.Stop();
        uploads.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        for (QWidget *w : QApplication::topLevelWidgets())
            EXPECT_FALSE(w->isVisible() && w->inherits("QDialog")) << "left open: " << w->metaObject()->className();
        // A joined thread leaves the process's list a moment later.
        EXPECT_TRUE(waitUntil([&] { return UnnamedThreads() <= threadsBefore; }))
            << "worker threads left running: " << UnnamedThreads() << " for " << threadsBefore;
        EXPECT_EQ(TcpSockets(), socketsBefore) << "connections left open";
    }

    inline static const std::string kRoom = "v-1@rooms.localhost";
    std::string sentId; // the agent's last line in the room

    ProsodyFixture server;
    KBServiceMock kb;
    QTemporaryDir uploadFolder;
    std::unique_ptr<harness::UploadEndpoint> uploads;
    QTimer boxWatch;
    std::unique_ptr<ChatServiceSimulator> service;
    std::unique_ptr<ChatServiceSimulator> secondAgent;
    std::string agent; // the signed-in agent's full address
    int threadsBefore = 0;
    int socketsBefore = 0;
};

TEST_F(AgentRoad, FromSignInToSignOut)
{
    ASSERT_NO_FATAL_FAILURE(SignIn()) << "step: sign in";
    ASSERT_NO_FATAL_FAILURE(VisitorWalks()) << "step: a visitor walks three pages";
    ASSERT_NO_FATAL_FAILURE(SecondAgentAppears()) << "step: a second agent signs in";
    ASSERT_NO_FATAL_FAILURE(VisitorAsksForChat()) << "step: the visitor asks for a chat";
    ASSERT_NO_FATAL_FAILURE(AgentAccepts()) << "step: the agent accepts the chat";
    ASSERT_NO_FATAL_FAILURE(AgentAnswersWithQuickText()) << "step: the agent answers with a quick text";
    ASSERT_NO_FATAL_FAILURE(VisitorRepliesWithReceipts()) << "step: the visitor replies, with receipts both ways";
    ASSERT_NO_FATAL_FAILURE(ColleagueWritesWhileAgentTypes()) << "step: a colleague writes while the agent types";
    ASSERT_NO_FATAL_FAILURE(AgentSendsFile()) << "step: the agent sends a file";
    ASSERT_NO_FATAL_FAILURE(AgentPushesPage()) << "step: the agent pushes a page";
    ASSERT_NO_FATAL_FAILURE(HistoryTab()) << "step: the History tab shows the visitor's earlier chats";
    ASSERT_NO_FATAL_FAILURE(BlockSecondVisitor()) << "step: a second visitor is blocked";
    ASSERT_NO_FATAL_FAILURE(TransferToSecondAgent()) << "step: the chat goes to the second agent";
    ASSERT_NO_FATAL_FAILURE(KnowledgeBase()) << "step: search, preview, edit and find an article";
    ASSERT_NO_FATAL_FAILURE(SignOutAndShutDown()) << "step: sign out and close";
}


// Callers come one after another, each in a room of its own: a chat that
// ends and a caller who leaves while the chat is shown, a request withdrawn
// while selected, and the next caller's chat in the same pane and then in a
// frame of its own. The web views stay closed: the pane shows Site Path.
class AgentCallers : public AgentRoad
{
protected:
    static std::string Room(const std::string &sid) { return sid + "@rooms.localhost"; }

    QString Status(const QString &name) const
    {
        const QAbstractItemModel *model = Named<QAbstractItemView>("VisitorList")->model();
        const int row = RowWith(model, CVisitorListModel::ColumnVisitor, name);
        return row < 0 ? QString() : model->index(row, CVisitorListModel::ColumnStatus).data().toString();
    }
    void Notice(const visitors::Notice &notice) { service->Send(*visitors::NoticeStanza(agent, notice)); }

    void Asks(const std::string &sid, const QString &name)
    {
        Notice(visitors::Tracking(sid, "h-" + sid, name.toStdString(), {"http://127.0.0.1:9/", "home", "Home", "", "p1", 0}));
        Notice(visitors::VisitorInfo(sid, {{"state", "8"}, {"display-name", name.toStdString()}, {"hash", "h-" + sid},
                                           {"group-chat-id", Room(sid)}}));
        ASSERT_TRUE(waitUntil([&] { return Status(name) == QLatin1String("Requesting Chat"); }, 10000))
            << name.toStdString() << " does not ask";
    }

    void Accepts(const std::string &sid, const QString &name)
    {
        ASSERT_TRUE(SelectVisitor(name));
        ASSERT_TRUE(frame->RunCommand(CVisitorPaneLogic::CmdAccept));
        const auto accept = service->Expect(visitors::IsCommand("accept-visitor-chat"), 10000);
        ASSERT_TRUE(accept) << "the service never heard the accept of " << sid;
        service->Reply(*accept);
        Notice(visitors::StateChange(sid, 6));
        ASSERT_TRUE(waitUntil([&] { return Status(name) == QLatin1String("Chatting") && Named("Chat Pane")->isVisible(); },
                              10000))
            << name.toStdString() << "'s chat did not open in the pane";
    }

    // Types into the chat window's input and presses Enter; the id of the
    // line the room got, empty when it got none.
    std::string Writes(QWidget *window, const std::string &sid, const QString &text, int timeoutMs = 10000)
    {
        auto *input = window->findChild<QWidget *>(QStringLiteral("c107"));
        QTest::keyClicks(input, text);
        QTest::keyClick(input, Qt::Key_Return);
        const auto sent = service->Expect([&](const gloox::Tag &tag) {
            return tag.name() == "message" && tag.findAttribute("type") == "groupchat" && tag.findChild("body")
                   && gloox::JID(tag.findAttribute("to")).bare() == Room(sid);
        }, timeoutMs);
        return sent ? sent->findAttribute("id") : std::string();
    }

    void Delivered(const std::string &sid, const std::string &id, QWidget *window)
    {
        gloox::Tag receipt("message");
        receipt.addAttribute("type", "groupchat");
        receipt.addAttribute("from", Room(sid) + "/" + sid);
        receipt.addAttribute("to", agent);
        receipt.addAttribute("id", id);
        new gloox::Tag(&receipt, "received", "xmlns", "urn:xmpp:receipts");
        service->Send(receipt);
        ASSERT_TRUE(waitUntil([&] { return window->isEnabled(); }, 10000)) << "the receipt did not unlock the window";
    }

    static QString TranscriptOf(QWidget *window)
    {
        auto *transcript = window->findChild<QTextEdit *>(QStringLiteral("c106"));
        return transcript ? transcript->toPlainText() : QString();
    }
};

TEST_F(AgentCallers, ComeAndGo)
{
    ASSERT_NO_FATAL_FAILURE(SignIn()) << "step: sign in";
    QWidget *pane = Named("VisitorChatPane");
    auto *sitePath = pane->findChild<QAbstractItemView *>(QStringLiteral("c103"));
    for (QTabWidget *tabs : pane->findChildren<QTabWidget *>())
        if (tabs->indexOf(sitePath) >= 0)
            tabs->setCurrentWidget(sitePath);
    const QString bob = QStringLiteral("Bob"), dana = QStringLiteral("Dana"), erik = QStringLiteral("Erik");
    ASSERT_NO_FATAL_FAILURE(Asks("b-1", bob));
    ASSERT_NO_FATAL_FAILURE(Asks("d-1", dana));
    ASSERT_NO_FATAL_FAILURE(Asks("e-1", erik));

    // Bob's chat ends, with a line waiting for its receipt, and Bob leaves
    // while his chat is shown: Enter in the ended chat sends nothing.
    ASSERT_NO_FATAL_FAILURE(Accepts("b-1", bob));
    QWidget *chat = Named("Chat Pane");
    const std::string first = Writes(chat, "b-1", QStringLiteral("Hello Bob"));
    ASSERT_FALSE(first.empty()) << "Bob's room got nothing";
    ASSERT_NO_FATAL_FAILURE(Delivered("b-1", first, chat));
    ASSERT_FALSE(Writes(chat, "b-1", QStringLiteral("One moment")).empty());
    Notice(visitors::StateChange("b-1", 10));
    ASSERT_TRUE(waitUntil([&] { return Status(bob) == QLatin1String("Chat Ended"); }, 10000));
    EXPECT_TRUE(Writes(chat, "b-1", QStringLiteral("Still there?"), 300).empty()) << "a line went into an ended chat";
    Notice(visitors::StateChange("b-1", 15));
    ASSERT_TRUE(waitUntil([&] { return Status(bob).isEmpty() && !chat->isVisible(); }, 10000))
        << "Bob's row or chat stayed";
    EXPECT_EQ(Named<QListWidget>("c112")->count(), 0) << "the bar still lists Bob's chat";

    // Erik withdraws his request while he is the one selected.
    ASSERT_TRUE(SelectVisitor(erik));
    Notice(visitors::StateChange("e-1", 15));
    ASSERT_TRUE(waitUntil([&] { return Status(erik).isEmpty(); }, 10000)) << "Erik's row stayed";

    // Dana's chat in the same window shows her conversation alone, then
    // goes to a frame of its own, where it ends and she leaves.
    ASSERT_NO_FATAL_FAILURE(Accepts("d-1", dana));
    const std::string hello = Writes(chat, "d-1", QStringLiteral("Hi Dana"));
    ASSERT_FALSE(hello.empty()) << "Dana's room got nothing";
    ASSERT_NO_FATAL_FAILURE(Delivered("d-1", hello, chat));
    EXPECT_TRUE(TranscriptOf(chat).contains(QLatin1String("Hi Dana"))) << TranscriptOf(chat).toStdString();
    EXPECT_FALSE(TranscriptOf(chat).contains(QLatin1String("Bob"))) << TranscriptOf(chat).toStdString();
    ASSERT_TRUE(frame->RunCommand(CVisitorPaneLogic::CmdDetach));
    QPointer<QWidget> detached;
    ASSERT_TRUE(waitUntil([&] { return (detached = TopLevelByClass("CTessaryPane")) != nullptr; }))
        << "the chat did not detach";
    ASSERT_FALSE(Writes(detached, "d-1", QStringLiteral("Anything else?")).empty()) << "the frame sent nothing";
    Notice(visitors::StateChange("d-1", 10));
    Notice(visitors::StateChange("d-1", 15));
    ASSERT_TRUE(waitUntil([&] { return Status(dana).isEmpty(); }, 10000)) << "Dana's row stayed";
    EXPECT_TRUE(TranscriptOf(detached).contains(QLatin1String("The chat has ended")))
        << TranscriptOf(detached).toStdString();
    detached->close();
    EXPECT_TRUE(waitUntil([&] { return !detached; })) << "the frame stayed";
    EXPECT_TRUE(prompts.isEmpty()) << Prompts();
}

} // namespace
