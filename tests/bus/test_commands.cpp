#include "bus/Commands.h"

#include <QAction>

#include <gtest/gtest.h>

using namespace QVPlugin;

TEST(Commands, MenuItemKindsAndTitle)
{
    const MenuSpec menu = MenuSpec::Menu({
        MenuSpec::Popup(QStringLiteral("&Chat"), {MenuSpec::Command(32900, QStringLiteral("&Accept\tCtrl+A")),
                                                  MenuSpec::Separator(), MenuSpec::Popup(QStringLiteral("&Send"), {})}),
    });
    EXPECT_EQ(menu.Title(), QStringLiteral("&Chat"));
    EXPECT_EQ(MenuSpec::Menu({}).Title(), QString());
    const MenuSpec &chat = menu.children.front();
    EXPECT_TRUE(chat.IsPopup());
    EXPECT_FALSE(chat.children[0].IsPopup());
    EXPECT_FALSE(chat.children[1].IsPopup());
    EXPECT_TRUE(chat.children[2].IsPopup()) << "an empty popup is still a popup";
}

TEST(Commands, UpdateAppliesOnlyWhatWasSet)
{
    QAction action(QStringLiteral("Sign In"));
    action.setEnabled(false);
    SetCommandId(&action, 32773);
    EXPECT_EQ(CommandIdOf(&action), 32773u);

    CommandUpdate nothing(32773);
    nothing.ApplyTo(&action);
    EXPECT_FALSE(action.isEnabled());
    EXPECT_FALSE(action.isCheckable());

    CommandUpdate update(32773);
    update.Enable();
    update.SetCheck(true);
    update.ApplyTo(&action);
    EXPECT_TRUE(action.isEnabled());
    EXPECT_TRUE(action.isChecked());
    EXPECT_EQ(action.text(), QStringLiteral("Sign In"));
}
