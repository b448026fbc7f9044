// The transfer and push-page dialogs of the visitor pane, with a scripted
// prompt and a recording sender.

#include "plugins/chat/model/ContactList.h"
#include "plugins/chat/ui/PushWebPageDlg.h"
#include "plugins/chat/ui/TransferChatDlg.h"
#include "shared/Prompt.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

#include <gtest/gtest.h>

using QVPlugin::ChatContact;
using QVPlugin::Jid;

namespace {

class VisitorDialogsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CPrompt::SetHandler([this](const PromptRequest &request) {
            prompts.append(request.text);
            return QMessageBox::Ok;
        });
    }
    void TearDown() override { CPrompt::SetHandler({}); }

    void Add(const char *jid, const char *nick, QVPlugin::ContactRole role = QVPlugin::RoleNone)
    {
        ChatContact contact(Jid(QString::fromLatin1(jid)));
        contact.nick = QString::fromLatin1(nick);
        contact.role = role;
        contacts.Update(contact);
    }
    CTransferChatDlg::Sender Recorder()
    {
        return [this](const std::string &session, const QString &text, const std::string &type) {
            sent.push_back({session, text, type});
        };
    }

    struct Sent
    {
        std::string session;
        QString text;
        std::string type;
    };
    CContactList contacts;
    QStringList prompts;
    std::vector<Sent> sent;
};

} // namespace

TEST_F(VisitorDialogsTest, TransferToTheOnlyAgent)
{
    EXPECT_FALSE(CTransferChatDlg::CheckAgents(contacts, nullptr));
    Add("visitors.s1@chat.example/s1", "Visitor", QVPlugin::RoleVisitor);
    EXPECT_FALSE(CTransferChatDlg::CheckAgents(contacts, nullptr));
    EXPECT_EQ(prompts, QStringList(2, QStringLiteral("There are no agents to transfer the chat to")));
    Add("bob@chat.example/desk", "Bob");
    EXPECT_TRUE(CTransferChatDlg::CheckAgents(contacts, nullptr));

    CTransferChatDlg dlg(nullptr, contacts, "S1", Recorder());
    auto *list = dlg.findChild<QListWidget *>(QStringLiteral("c10029"));
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("Bob"));
    EXPECT_TRUE(list->item(0)->isSelected());
    dlg.findChild<QPlainTextEdit *>(QStringLiteral("c107"))->setPlainText(QStringLiteral("Say \"hi\" & <it's>"));
    dlg.findChild<QPushButton *>(QStringLiteral("c1"))->click();

    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].session, "S1");
    EXPECT_EQ(sent[0].type, "transfer-visitor-chat");
    EXPECT_EQ(sent[0].text, QStringLiteral("<xml><agent>bob@chat.example/desk</agent><message>Say &quot;hi&quot; "
                                           "&amp; &lt;it&apos;s&gt;</message></xml>"));
}

TEST_F(VisitorDialogsTest, TransferRefusesNoChoiceAndAnAgentGoneOffline)
{
    Add("ann@chat.example/desk", "");
    Add("bob@chat.example/desk", "Bob");
    CTransferChatDlg dlg(nullptr, contacts, "S1", Recorder());
    dlg.show();
    auto *list = dlg.findChild<QListWidget *>(QStringLiteral("c10029"));
    ASSERT_EQ(list->count(), 2);
    // Named by nobody: known by the address.
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("ann@chat.example"));
    EXPECT_TRUE(list->selectedItems().isEmpty());

    dlg.findChild<QPushButton *>(QStringLiteral("c1"))->click();
    EXPECT_EQ(prompts.value(0), QStringLiteral("Please select contact from the list"));
    EXPECT_TRUE(dlg.isVisible());

    list->item(1)->setSelected(true);
    ChatContact gone(Jid(QStringLiteral("bob@chat.example/desk")));
    gone.state = QVPlugin::PresenceOffline;
    contacts.Update(gone);
    dlg.findChild<QPushButton *>(QStringLiteral("c1"))->click();
    EXPECT_EQ(prompts.value(1), QStringLiteral("Selected contact is not online. Please select another contact."));
    EXPECT_TRUE(dlg.isVisible());
    // Refilled: Ann is the only one left and chosen.
    ASSERT_EQ(list->count(), 1);
    EXPECT_TRUE(list->item(0)->isSelected());
    EXPECT_TRUE(sent.empty());

    dlg.findChild<QPushButton *>(QStringLiteral("c2"))->click();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_TRUE(sent.empty());
}

TEST_F(VisitorDialogsTest, PushPageChoicesAndVerify)
{
    const struct { const char *button; const char *url; int result; bool asLink; const char *prompt; } cases[] = {
        {"c10009", "http://shop.example/offer", QDialog::Accepted, true, nullptr},
        {"c10011", "http://shop.example/offer", QDialog::Accepted, false, nullptr},
        {"c10009", "", QDialog::Rejected, false, "Please enter the web site address to open."},
        {"c10011", "", QDialog::Rejected, false, "Please enter the web site address to open."},
        {"c2", "http://shop.example/offer", QDialog::Rejected, false, nullptr},
    };
    for (const auto &c : cases) {
        prompts.clear();
        CPushWebPageDlg dlg;
        auto *url = dlg.findChild<QLineEdit *>(QStringLiteral("c10008"));
        EXPECT_EQ(url->text(), QStringLiteral("http://"));
        dlg.show();
        url->setText(QString::fromLatin1(c.url));
        dlg.findChild<QPushButton *>(QLatin1String(c.button))->click();
        EXPECT_EQ(dlg.result(), c.result) << c.button << " " << c.url;
        EXPECT_EQ(dlg.AsLink(), c.asLink) << c.button << " " << c.url;
        EXPECT_EQ(prompts, c.prompt ? QStringList{QString::fromLatin1(c.prompt)} : QStringList()) << c.button;
        EXPECT_EQ(dlg.isVisible(), c.prompt != nullptr) << c.button << " " << c.url;
    }

    QList<QUrl> opened;
    CPushWebPageDlg dlg;
    dlg.SetOpener([&](const QUrl &url) { opened.append(url); });
    dlg.show();
    auto *url = dlg.findChild<QLineEdit *>(QStringLiteral("c10008"));
    auto *verify = dlg.findChild<QPushButton *>(QStringLiteral("c10012"));
    prompts.clear();
    for (const char *refused : {"", "javascript:alert(1)", "file:///etc/passwd", "http://"}) {
        url->setText(QString::fromLatin1(refused));
        verify->click();
    }
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_EQ(prompts.size(), 4);
    EXPECT_EQ(prompts.value(0), QStringLiteral("Please enter the web site address to verify."));
    url->setText(QStringLiteral("https://shop.example/offer"));
    verify->click();
    EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("https://shop.example/offer"))});
    EXPECT_TRUE(dlg.isVisible());
}
