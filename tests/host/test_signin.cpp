// The sign-in, sign-out and account dialogs on the main frame, with a fake
// XMPP plug-in that records what reaches it and answers as scripted.

#include "SignInFixture.h"
#include "tests/bus/FakePlugin.h"

#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "host/ChangePasswordDlg.h"
#include "host/ConnectingDialog.h"
#include "host/FrameDefaults.h"
#include "host/LoginDlg.h"
#include "host/ServerSettingsDlg.h"
#include "host/SettingsDlg.h"
#include "host/widgets/PictureEx.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

using namespace QVPlugin;
using namespace hosttest;

namespace {

class SignIn : public SignInFrame
{
protected:
    void SetUp() override
    {
        SignInFrame::SetUp();
        Start([this](CManager *bus) {
            // The XMPP plug-in as the dialogs see it: it records and answers.
            auto *plugin = new bustest::FakePlugin(QStringLiteral("xmpp"));
            plugin->onMessage = [this](const QUuid &id, IMessage *in, IMessage *) { return OnXmpp(id, in); };
            ASSERT_TRUE(bus->AddPlugin(plugin, PLUGIN_ORDER_XMPP));
        });
    }

    int OnXmpp(const QUuid &id, IMessage *in)
    {
        if (id == MSG_VALIDATE_USERNAME) {
            xmpp.heard << QStringLiteral("validate ") + static_cast<QVMessage<QString> *>(in)->value;
            return xmpp.validateResult;
        }
        if (id == MSG_LOGIN) {
            const auto *login = static_cast<LoginInfo *>(in);
            xmpp.heard << QStringLiteral("login %1|%2|%3").arg(login->user, login->password, login->server);
        } else if (id == MSG_LOGOUT) {
            xmpp.heard << QStringLiteral("logout");
        } else if (id == MSG_SERVER_SET) {
            xmpp.serverSets.push_back(*static_cast<ServerMessage *>(in));
        } else {
            return RESULT_NOT_HANDLED;
        }
        return RESULT_HANDLED_CONTINUE;
    }

    // The login dialog as Sign In opens it, without the flow around it.
    std::unique_ptr<CLoginDlg> LoginDialog()
    {
        return std::make_unique<CLoginDlg>(frame->Bus(), frame->Login(), frame.get());
    }

    template <typename T>
    int Send(const QUuid &id, const T &value)
    {
        QVMessage<T> message(value);
        return frame->Bus()->SendMessage(nullptr, id, &message, nullptr);
    }

    struct
    {
        int validateResult = RESULT_HANDLED_CONTINUE;
        QStringList heard;
        std::vector<ServerMessage> serverSets;
    } xmpp;
};

TEST_F(SignIn, SignInStoresTheAccountOnlineClosesConnectingSignOutShowsTheLoginAgain)
{
    WhenShown<CLoginDlg>([&](CLoginDlg *dialog) {
        Child<QLineEdit>(dialog, "c1009")->setText(QStringLiteral("agent@localhost"));
        Child<QLineEdit>(dialog, "c1006")->setText(QStringLiteral("s3cret"));
        Child<QCheckBox>(dialog, "c1010")->setChecked(true);
        Child<QPushButton>(dialog, "c1")->click();
    });
    ASSERT_TRUE(frame->RunCommand(CmdSignIn));
    EXPECT_EQ(xmpp.heard, (QStringList{"validate agent@localhost", "login agent@localhost|s3cret|127.0.0.1:5222"}));
    EXPECT_EQ(Setting(QStringLiteral("server.username")).toString(), QStringLiteral("agent@localhost"));
    EXPECT_EQ(Setting(QStringLiteral("server.password")).toString(), QStringLiteral("s3cret"));
    EXPECT_EQ(Setting(QStringLiteral("server.address")).toString(), QStringLiteral("127.0.0.1:5222"));

    QPointer<CConnectingDialog> connecting = dialogs->Connecting();
    ASSERT_NE(connecting, nullptr);
    EXPECT_TRUE(connecting->Picture()->IsPlaying());
    Send(MSG_PRESENCE_STATE, PresenceConnecting);
    QCoreApplication::processEvents();
    EXPECT_TRUE(connecting && connecting->isVisible()) << "still connecting";
    Send(MSG_PRESENCE_STATE, PresenceOnline);
    EXPECT_TRUE(waitUntil([&] { return connecting.isNull(); })) << "closed and deleted when online";
    EXPECT_EQ(PresencePane(), QStringLiteral("Online"));
    EXPECT_TRUE(prompts.isEmpty()) << prompts.join(QLatin1Char('|')).toStdString();

    xmpp.heard.clear();
    QString shownUser;
    WhenShown<CLoginDlg>([&](CLoginDlg *dialog) {
        shownUser = Child<QLineEdit>(dialog, "c1009")->text();
        Child<QPushButton>(dialog, "c1")->click();
    });
    ASSERT_TRUE(frame->RunCommand(CmdSignOut));
    EXPECT_EQ(shownUser, QStringLiteral("agent@localhost")) << "the login dialog came back with the stored name";
    EXPECT_EQ(xmpp.heard, (QStringList{"logout", "validate agent@localhost", "login agent@localhost|s3cret|127.0.0.1:5222"}));
    EXPECT_NE(dialogs->Connecting(), nullptr);
}

TEST_F(SignIn, ARefusedUserNameKeepsTheDialogAndCancelEndsTheProgram)
{
    xmpp.validateResult = RESULT_REFUSED;
    bool stayed = false;
    WhenShown<CLoginDlg>([&](CLoginDlg *dialog) {
        auto *user = Child<QLineEdit>(dialog, "c1009");
        user->setText(QStringLiteral("not a name"));
        Child<QLineEdit>(dialog, "c1006")->setFocus();
        Child<QPushButton>(dialog, "c1")->click();
        stayed = dialog->isVisible() && dialog->focusWidget() == user;
        dialog->reject();
    });
    ASSERT_TRUE(frame->RunCommand(CmdSignIn));
    EXPECT_TRUE(stayed) << "open, with the focus on the user name";
    EXPECT_EQ(xmpp.heard, QStringList{"validate not a name"});
    EXPECT_EQ(Setting(QStringLiteral("server.username")), QStringLiteral("(none)")) << "nothing stored";
    EXPECT_EQ(dialogs->Connecting(), nullptr);
    EXPECT_TRUE(waitUntil([&] { return !frame->isVisible(); })) << "cancelling the login ends the program";
}

TEST_F(SignIn, RememberPassword)
{
    const struct
    {
        const char *name;
        const char *stored; // before; null for none
        bool remember;
        const char *typed;  // null: keep what the dialog shows
        const char *after;  // "(none)" when removed
    } cases[] = {
        {"a remembered password fills the dialog and stays", "old", true, nullptr, "old"},
        {"unticking removes the stored password", "old", false, nullptr, "(none)"},
        {"a new password is remembered", nullptr, true, "new", "new"},
        {"a password is not remembered unless asked", nullptr, false, "new", "(none)"},
        {"a changed password replaces the stored one", "old", true, "changed", "changed"},
    };
    for (const auto &c : cases) {
        SetSetting(QStringLiteral("server.password"), c.stored ? QVariant(QString::fromUtf8(c.stored)) : QVariant());
        auto dialog = LoginDialog();
        auto *password = Child<QLineEdit>(dialog.get(), "c1006");
        auto *remember = Child<QCheckBox>(dialog.get(), "c1010");
        EXPECT_EQ(password->text(), QString::fromUtf8(c.stored ? c.stored : "")) << c.name;
        EXPECT_EQ(remember->isChecked(), c.stored != nullptr) << c.name;

        Child<QLineEdit>(dialog.get(), "c1009")->setText(QStringLiteral("agent@localhost"));
        if (c.typed)
            password->setText(QString::fromUtf8(c.typed));
        remember->setChecked(c.remember);
        dialog->accept();
        EXPECT_EQ(dialog->result(), QDialog::Accepted) << c.name;
        EXPECT_EQ(Setting(QStringLiteral("server.password")).toString(), QString::fromUtf8(c.after)) << c.name;
        EXPECT_EQ(frame->Login().password, password->text()) << c.name << ": signs in with it either way";
    }
}

TEST_F(SignIn, TheServerLinkAndTheServerDialog)
{
    const struct
    {
        const char *name;
        const char *stored;   // "server.address" before; "" for none
        const char *typed;    // into the server dialog; null: not opened; "cancel": cancelled
        const char *link;     // the link's rich text afterwards
        const char *signedIn; // "server.address" after signing in
    } cases[] = {
        {"no setting: the default host", "", nullptr, "<a href=\"server\">127.0.0.1</a>", "127.0.0.1:5222"},
        {"the default port is not shown", "chat.example:5222", nullptr, "<a href=\"server\">chat.example</a>",
         "chat.example:5222"},
        {"a stored server without a port gets one", "chat.example", nullptr, "<a href=\"server\">chat.example</a>",
         "chat.example:5222"},
        {"a typed host gets the default port", "", "example.test", "<a href=\"server\">example.test</a>",
         "example.test:5222"},
        {"a typed port stays, trimmed", "", "  example.test:5223 ", "<a href=\"server\">example.test:5223</a>",
         "example.test:5223"},
        {"nothing typed keeps the server", "chat.example:5300", "   ", "<a href=\"server\">chat.example:5300</a>",
         "chat.example:5300"},
        {"cancel keeps the server", "chat.example:5300", "cancel", "<a href=\"server\">chat.example:5300</a>",
         "chat.example:5300"},
        {"markup in the name is shown as text", "", "<b>x</b>&y",
         "<a href=\"server\">&lt;b&gt;x&lt;/b&gt;&amp;y</a>", "<b>x</b>&y:5222"},
    };
    for (const auto &c : cases) {
        SetSetting(QStringLiteral("server.address"), *c.stored ? QVariant(QString::fromUtf8(c.stored)) : QVariant());
        auto dialog = LoginDialog();
        auto *link = Child<QLabel>(dialog.get(), "c1011");
        EXPECT_EQ(link->textFormat(), Qt::RichText);
        if (c.typed) {
            QString opened;
            WhenShown<CServerSettingsDlg>([&](CServerSettingsDlg *server) {
                auto *edit = Child<QLineEdit>(server, "c1017");
                opened = edit->text();
                if (qstrcmp(c.typed, "cancel") == 0) {
                    server->reject();
                    return;
                }
                edit->setText(QString::fromUtf8(c.typed));
                Child<QPushButton>(server, "c1")->click();
            });
            emit link->linkActivated(QStringLiteral("server"));
            EXPECT_EQ(opened, *c.stored ? QString::fromUtf8(c.stored) : QStringLiteral("127.0.0.1:5222")) << c.name;
        }
        EXPECT_EQ(link->text(), QString::fromUtf8(c.link)) << c.name;

        Child<QLineEdit>(dialog.get(), "c1009")->setText(QStringLiteral("agent@localhost"));
        dialog->accept();
        EXPECT_EQ(Setting(QStringLiteral("server.address")).toString(), QString::fromUtf8(c.signedIn)) << c.name;
        EXPECT_EQ(frame->Login().server, QString::fromUtf8(c.signedIn)) << c.name;
    }
}

TEST_F(SignIn, ChangePassword)
{
    const struct
    {
        const char *name;
        const char *password;
        const char *retyped;
        const char *prompt; // null: none
        const char *sent;   // the UTF-8 bytes sent; null: nothing sent, the dialog stays
    } cases[] = {
        {"different passwords", "abc", "abd", "Your new password does not match", nullptr},
        {"trimmed before they are compared and sent", "  s3cret ", "s3cret\t", nullptr, "s3cret"},
        {"sent as UTF-8", "p\xc3\xa4sswort-\xe2\x82\xac", "p\xc3\xa4sswort-\xe2\x82\xac", nullptr,
         "p\xc3\xa4sswort-\xe2\x82\xac"},
        {"two empty passwords are refused", "", "", "Your new password cannot be empty", nullptr},
        {"blanks are empty", "   ", " ", "Your new password cannot be empty", nullptr},
    };
    for (const auto &c : cases) {
        SetSetting(QStringLiteral("server.password"), QStringLiteral("remembered"));
        prompts.clear();
        xmpp.serverSets.clear();
        bool stayed = false;
        WhenShown<CChangePasswordDlg>([&](CChangePasswordDlg *dialog) {
            EXPECT_EQ(Child<QLineEdit>(dialog, "c1000")->echoMode(), QLineEdit::Password);
            Child<QLineEdit>(dialog, "c1000")->setText(QString::fromUtf8(c.password));
            Child<QLineEdit>(dialog, "c1001")->setText(QString::fromUtf8(c.retyped));
            Child<QPushButton>(dialog, "c1")->click();
            stayed = dialog->isVisible();
            if (stayed)
                dialog->reject();
        });
        ASSERT_TRUE(frame->RunCommand(CmdChangePassword)) << c.name;
        EXPECT_EQ(prompts, c.prompt ? QStringList{QString::fromUtf8(c.prompt)} : QStringList()) << c.name;
        EXPECT_EQ(stayed, c.sent == nullptr) << c.name;
        if (!c.sent) {
            EXPECT_TRUE(xmpp.serverSets.empty()) << c.name;
            EXPECT_EQ(Setting(QStringLiteral("server.password")).toString(), QStringLiteral("remembered")) << c.name;
            continue;
        }
        ASSERT_EQ(xmpp.serverSets.size(), 1u) << c.name;
        EXPECT_EQ(xmpp.serverSets[0].text, std::string(c.sent)) << c.name;
        EXPECT_EQ(xmpp.serverSets[0].type, "change-password") << c.name;
        EXPECT_EQ(xmpp.serverSets[0].sessionId, "") << c.name;
        EXPECT_EQ(Setting(QStringLiteral("server.password")).toString(), QStringLiteral("(none)"))
            << c.name << ": the remembered password is forgotten";
    }
}

TEST_F(SignIn, DialogIconPictureSizeAndAccountLinks)
{
    CChangePasswordDlg change(frame->Bus(), frame.get());
    EXPECT_FALSE(change.windowIcon().isNull());
    EXPECT_EQ(change.windowIcon().cacheKey(), frame->windowIcon().cacheKey());

    SetSetting(QStringLiteral("server.username"), QStringLiteral("agent@localhost"));
    SetSetting(QStringLiteral("server.password"), QStringLiteral("s3cret"));
    SetSetting(QStringLiteral("server.address"), QStringLiteral("chat.example:5222"));
    auto login = LoginDialog();
    EXPECT_EQ(login->size(), QPixmap(QStringLiteral(":/ostrel/host/BITMAP/317")).size());
    SaveForReview(login.get(), QStringLiteral("login-dialog.png"));
    // Centred over the frame, wherever the frame stands.
    frame->setGeometry(0, 0, 660, 460);
    frame->show();
    auto over = LoginDialog();
    EXPECT_LE((over->geometry().center() - frame->frameGeometry().center()).manhattanLength(), 2);

    // The account links go to the chosen server's pages.
    emit Child<QLabel>(login.get(), "c1008")->linkActivated(QStringLiteral("signup"));
    emit Child<QLabel>(login.get(), "c1007")->linkActivated(QStringLiteral("lostpassword"));
    EXPECT_EQ(links.urls, (QList<QUrl>{QUrl(QStringLiteral("https://chat.example/qvx/?t=rd&rd=signup")),
                                       QUrl(QStringLiteral("https://chat.example/qvx/?t=rd&rd=lostpassword"))}));
}

TEST_F(SignIn, ToolsSettingsOpensTheSettingsDialog)
{
    QString title;
    WhenShown<CSettingsDlg>([&](CSettingsDlg *dialog) {
        title = dialog->windowTitle();
        Child<QCheckBox>(dialog, "application.newmsg.playsound")->setChecked(false);
        Child<QPushButton>(dialog, "c1")->click();
    });
    ASSERT_TRUE(frame->RunCommand(CmdSettings));
    EXPECT_EQ(title, QStringLiteral("Settings"));
    EXPECT_EQ(frame->Bus()->GetSetting(QStringLiteral("application.newmsg.playsound"), true), QVariant(false));
}

} // namespace
