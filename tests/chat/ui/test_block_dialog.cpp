// The block-visitor dialog, driven by keys and clicks.

#include "plugins/chat/ui/BlockVisitorDlg.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

TEST(BlockVisitorDlg, ChoicesAndKeys)
{
    {
        CBlockVisitorDlg dlg;
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Block Visitor"));
        EXPECT_EQ(dlg.findChild<QLabel *>(QStringLiteral("c1002"))->text(),
                  QStringLiteral("Choose what you want to block the visitor from:"));
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        auto *chatting = dlg.findChild<QPushButton *>(QStringLiteral("c1"));
        EXPECT_TRUE(chatting->isDefault());
        EXPECT_EQ(dlg.focusWidget(), chatting);
        QTest::keyClick(&dlg, Qt::Key_Return);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(dlg.BlockType(), QStringLiteral("chatting"));
    }
    {
        // A button the agent tabbed to takes Enter.
        CBlockVisitorDlg dlg;
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        QTest::keyClick(dlg.focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(dlg.focusWidget(), dlg.findChild<QPushButton *>(QStringLiteral("c10026")));
        QTest::keyClick(dlg.focusWidget(), Qt::Key_Return);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(dlg.BlockType(), QStringLiteral("both"));
    }

    struct Case { const char *button; const char *text; int result; const char *keyword; } cases[] = {
        {"c10026", "Both", QDialog::Accepted, "both"},
        {"c10025", "Visitor Monitoring", QDialog::Accepted, "monitoring"},
        {"c2", "Cancel", QDialog::Rejected, "chatting"},
        {nullptr, "Esc", QDialog::Rejected, "chatting"},
    };
    for (const Case &c : cases) {
        CBlockVisitorDlg dlg;
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        if (c.button) {
            auto *button = dlg.findChild<QPushButton *>(QLatin1String(c.button));
            ASSERT_NE(button, nullptr) << c.text;
            EXPECT_EQ(button->text(), QLatin1String(c.text));
            button->click();
        } else {
            QTest::keyClick(&dlg, Qt::Key_Escape);
        }
        EXPECT_EQ(dlg.result(), c.result) << c.text;
        EXPECT_FALSE(dlg.isVisible()) << c.text;
        EXPECT_EQ(dlg.BlockType(), QLatin1String(c.keyword)) << c.text;
    }
}
