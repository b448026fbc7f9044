// The category and status dialogs against a recording host.

#include "bus/MessageIds.h"
#include "plugins/kbeditor/EditDialogs.h"
#include "plugins/kbeditor/Lumory.h"
#include "shared/Prompt.h"
#include "tests/kbeditor/LumoryHost.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace QVPlugin;

namespace {

class EditDialogs : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CPrompt::SetHandler([this](const PromptRequest &request) {
            prompts.push_back(request.text);
            icons.push_back(request.icon);
            return QMessageBox::Ok;
        });
        host.onSend = [this](const QUuid &id, IMessage *in, IMessage *) {
            if (auto *m = KBPayloadAs<KBCategoryMessage>(in))
                category = m->value;
            if (auto *m = KBPayloadAs<KBStatusMessage>(in))
                status = m->value;
            if (auto *m = KBPayloadAs<KBStatusChangeMessage>(in)) {
                oldName = m->value.first;
                status = m->value.second;
            }
            lastId = id;
            return result;
        };
        ASSERT_TRUE(plugin->Initialize(&host));
        host.sent.clear();
    }
    void TearDown() override
    {
        CPrompt::SetHandler({});
        plugin->Release();
    }

    static QLineEdit *Edit(QWidget *dialog, const char *name)
    {
        return dialog->findChild<QLineEdit *>(QString::fromLatin1(name));
    }

    lumorytest::LumoryHost host;
    CLumoryPlugin *plugin = new CLumoryPlugin;
    int result = 1;
    QUuid lastId;
    KBCategory category;
    KBStatus status;
    std::string oldName;
    std::vector<QString> prompts;
    std::vector<QMessageBox::Icon> icons;
};

TEST_F(EditDialogs, EmptyTextIsRefusedWithFocusOnTheField)
{
    // The focus starts elsewhere, so the refusal has to move it.
    CCategoryEditDlg categoryDlg(plugin);
    categoryDlg.show();
    categoryDlg.findChild<QPushButton *>(QStringLiteral("c1"))->setFocus();
    categoryDlg.accept();
    CStatusEditDlg statusDlg(plugin);
    statusDlg.show();
    Edit(&statusDlg, "c1049")->setFocus();
    statusDlg.accept();

    EXPECT_TRUE(host.sent.empty());
    EXPECT_EQ(prompts, (std::vector<QString>{"Please enter category title", "Please enter status name"}));
    EXPECT_EQ(icons, std::vector<QMessageBox::Icon>(2, QMessageBox::Critical)) << "errors show the error icon";
    EXPECT_TRUE(categoryDlg.isVisible());
    EXPECT_TRUE(statusDlg.isVisible());
    EXPECT_EQ(categoryDlg.focusWidget(), Edit(&categoryDlg, "c1049"));
    EXPECT_EQ(statusDlg.focusWidget(), Edit(&statusDlg, "c1048"));
}

// Both open at least as wide as their templates: 245 dialog units, a unit
// being a quarter of the font's average character width.
TEST_F(EditDialogs, DialogsAreAsWideAsTheirTemplates)
{
    QWidget bar; // the program opens them over the article bar
    CCategoryEditDlg category(plugin, &bar);
    CStatusEditDlg status(plugin, &bar);
    for (QDialog *dialog : std::initializer_list<QDialog *>{&category, &status}) {
        dialog->show();
        EXPECT_GE(dialog->width(), 245 * QFontMetrics(dialog->font()).averageCharWidth() / 4)
            << dialog->windowTitle().toStdString();
    }
}

TEST_F(EditDialogs, CategoryAddsOrUpdatesByIdAndSendsUtf8)
{
    CCategoryEditDlg add(plugin);
    Edit(&add, "c1049")->setText(QStringLiteral("  "));
    add.accept();
    EXPECT_EQ(lastId, MSG_KB_ADD_CATEGORY);
    EXPECT_EQ(category.title, "  ");
    EXPECT_EQ(add.result(), QDialog::Accepted);

    CCategoryEditDlg update(plugin);
    update.SetCategory(KBCategory{7, 2, "Old"});
    Edit(&update, "c1049")->setText(QStringLiteral("Drucker \u00fcber"));
    update.accept();
    EXPECT_EQ(lastId, MSG_KB_UPDATE_CATEGORY);
    EXPECT_EQ(category.id, 7);
    EXPECT_EQ(category.parentId, 2);
    EXPECT_EQ(category.title, "Drucker \xc3\xbc" "ber");
    EXPECT_TRUE(prompts.empty());
}

TEST_F(EditDialogs, StatusAddsOrUpdatesByOldName)
{
    CStatusEditDlg add(plugin);
    Edit(&add, "c1048")->setText(QStringLiteral("Review"));
    add.accept();
    EXPECT_EQ(lastId, MSG_KB_ADD_STATUS);
    EXPECT_EQ(status.status, "Review");
    EXPECT_EQ(status.description, "");

    CStatusEditDlg update(plugin);
    update.SetStatus("Draft", KBStatus{"Draft", "first"});
    Edit(&update, "c1048")->setText(QStringLiteral("Draft 2"));
    update.accept();
    EXPECT_EQ(lastId, MSG_KB_UPDATE_STATUS);
    EXPECT_EQ(oldName, "Draft");
    EXPECT_EQ(status.status, "Draft 2");
    EXPECT_EQ(status.description, "first");
    EXPECT_EQ(update.result(), QDialog::Accepted);
}

// A request the service did not take keeps the dialog and the typed text.
TEST_F(EditDialogs, FailureKeepsTheDialogOpen)
{
    for (const int failed : {-1, 0}) {
        result = failed;
        CCategoryEditDlg categoryDlg(plugin);
        categoryDlg.show();
        Edit(&categoryDlg, "c1049")->setText(QStringLiteral("Hardware"));
        categoryDlg.accept();
        EXPECT_TRUE(categoryDlg.isVisible());
        EXPECT_EQ(Edit(&categoryDlg, "c1049")->text(), QStringLiteral("Hardware"));

        CStatusEditDlg statusDlg(plugin);
        statusDlg.show();
        Edit(&statusDlg, "c1048")->setText(QStringLiteral("Review"));
        statusDlg.accept();
        EXPECT_TRUE(statusDlg.isVisible());
    }
    EXPECT_EQ(prompts.size(), 4u);
}

} // namespace
