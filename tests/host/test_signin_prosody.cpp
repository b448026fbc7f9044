// The sign-in dialogs on the main frame with the real XMPP plug-in library
// against Prosody on 127.0.0.1.

#include "SignInFixture.h"

#include "host/ChangePasswordDlg.h"
#include "host/FrameDefaults.h"
#include "host/LoginDlg.h"
#include "tests/harness/ChatServiceSimulator.h"
#include "tests/harness/ProsodyFixture.h"

#include <gloox/tag.h>

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

using namespace QVPlugin;
using namespace hosttest;
using harness::ProsodyFixture;

namespace {

class SignInProsody : public SignInFrame
{
protected:
    void SetUp() override
    {
        if (!ProsodyFixture::Installed())
            GTEST_SKIP() << "prosody is not installed (scripts/install-deps.sh installs it)";
        SignInFrame::SetUp();
        ASSERT_TRUE(server.Start()) << server.ErrorText().toStdString();
        ASSERT_TRUE(QFile::copy(QStringLiteral(OSTREL_PROGRAM_DIR "/Wirlam.so"), ProgramDir() + "/Wirlam.so"));
        Start();
        SetSetting(QStringLiteral("server.cafile"), server.CaFile());
        SetSetting(QStringLiteral("server.address"), server.Address());
    }

    bool WaitOnline()
    {
        return waitUntil([&] {
            return frame->ConnectionState() == PresenceOnline && !dialogs->Connecting()
                   && PresencePane() == QLatin1String("Online");
        }, 15000);
    }

    // The plug-in library shows its message boxes itself (its own copy of
    // the prompt service); this answers the next one and notes its text.
    void AnswerPluginBox()
    {
        WhenShown<QMessageBox>([this](QMessageBox *box) {
            pluginBoxes << box->text();
            box->accept();
        });
    }

    QString Agent() const { return server.Jid(QStringLiteral("agent")); }
    QString Password() const { return server.PasswordOf(QStringLiteral("agent")); }
    std::string ServerLog() const { return server.Log().toStdString(); }

    ProsodyFixture server;
    QStringList pluginBoxes;
};

TEST_F(SignInProsody, SignsInThroughTheLoginDialogAndSignOutShowsItAgain)
{
    WhenShown<CLoginDlg>([&](CLoginDlg *dialog) { FillLogin(dialog, Agent(), Password()); });
    ASSERT_TRUE(frame->RunCommand(CmdSignIn));
    EXPECT_NE(dialogs->Connecting(), nullptr) << "connecting while the session opens";
    ASSERT_TRUE(WaitOnline()) << prompts.join(QLatin1Char('|')).toStdString() << ServerLog();
    EXPECT_EQ(Setting(QStringLiteral("agent.id")).toString(), Agent() + QStringLiteral("/Ostrel"));
    EXPECT_EQ(Setting(QStringLiteral("server.address")).toString(), server.Address());
    EXPECT_TRUE(prompts.isEmpty()) << prompts.join(QLatin1Char('|')).toStdString();

    QString shownUser;
    WhenShown<CLoginDlg>([&](CLoginDlg *dialog) {
        shownUser = Child<QLineEdit>(dialog, "c1009")->text();
        dialog->reject();
    });
    ASSERT_TRUE(frame->RunCommand(CmdSignOut));
    EXPECT_EQ(shownUser, Agent());
    EXPECT_TRUE(waitUntil([&] { return PresencePane() == QLatin1String("Offline"); }));
    EXPECT_TRUE(waitUntil([&] { return !frame->isVisible(); })) << "cancelled: the program ends";
}

TEST_F(SignInProsody, ARefusedUserNameKeepsTheDialogAndARefusedPasswordBringsItBack)
{
    int shown = 0;
    bool stayed = false;
    std::function<void(CLoginDlg *)> answer = [&](CLoginDlg *dialog) {
        if (++shown == 1) {
            AnswerPluginBox();
            FillLogin(dialog, QStringLiteral("localhost"), Password()); // no node
            stayed = dialog->isVisible();
            WhenShown<CLoginDlg>(answer);
            AnswerPluginBox();
            FillLogin(dialog, Agent(), QStringLiteral("wrong"));
        } else {
            FillLogin(dialog, Agent(), Password());
        }
    };
    WhenShown<CLoginDlg>(answer);
    ASSERT_TRUE(frame->RunCommand(CmdSignIn));
    EXPECT_TRUE(stayed);
    ASSERT_TRUE(waitUntil([&] { return shown == 2; }, 15000)) << ServerLog();
    EXPECT_EQ(pluginBoxes, (QStringList{"Invalid username.", "Invalid user name or password."}));
    ASSERT_TRUE(WaitOnline()) << ServerLog();
}

TEST_F(SignInProsody, ChangePasswordGoesToTheServiceAndForgetsTheRememberedPassword)
{
    harness::ChatServiceSimulator service({QStringLiteral("127.0.0.1"), server.Port(),
                                           server.Jid(QStringLiteral("sim")), server.PasswordOf(QStringLiteral("sim"))});
    ASSERT_TRUE(service.Start()) << service.ErrorText().toStdString();
    WhenShown<CLoginDlg>([&](CLoginDlg *dialog) { FillLogin(dialog, Agent(), Password()); });
    ASSERT_TRUE(frame->RunCommand(CmdSignIn));
    ASSERT_TRUE(WaitOnline()) << ServerLog();
    EXPECT_EQ(Setting(QStringLiteral("server.password")).toString(), Password());

    bool closed = false;
    WhenShown<CChangePasswordDlg>([&](CChangePasswordDlg *dialog) {
        Child<QLineEdit>(dialog, "c1000")->setText(QString::fromUtf8(" n3w-s\xc3\xa9" "cret"));
        Child<QLineEdit>(dialog, "c1001")->setText(QString::fromUtf8("n3w-s\xc3\xa9" "cret "));
        Child<QPushButton>(dialog, "c1")->click();
        closed = !dialog->isVisible();
    });
    ASSERT_TRUE(frame->RunCommand(CmdChangePassword));
    EXPECT_TRUE(closed);
    EXPECT_EQ(Setting(QStringLiteral("server.password")).toString(), QStringLiteral("(none)"));
    EXPECT_TRUE(prompts.isEmpty()) << prompts.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(frame->ConnectionState(), int(PresenceOnline)) << "the session goes on";

    const std::unique_ptr<gloox::Tag> request = service.ExpectIq("quelvar:tessary", 10000);
    ASSERT_NE(request, nullptr) << ServerLog();
    EXPECT_EQ(request->findAttribute("type"), "set");
    const gloox::Tag *message = request->findChild("message");
    ASSERT_NE(message, nullptr) << request->xml();
    EXPECT_EQ(message->findAttribute("type"), "change-password");
    EXPECT_EQ(message->cdata(), "n3w-s\xc3\xa9" "cret") << "trimmed, in UTF-8";
}

} // namespace
