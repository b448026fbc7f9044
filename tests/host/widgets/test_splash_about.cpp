#include "host/widgets/AboutDlg.h"
#include "host/widgets/HostResources.h"
#include "host/widgets/SplashWnd.h"
#include "tests/TestUtil.h"

#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

TEST(SplashWnd, ShownOnceWhenAllowedAndGoneAfterItsTimeOrAtSignIn)
{
    QMainWindow frame;
    CSplashWnd::ShowSplashScreen(&frame);
    EXPECT_EQ(CSplashWnd::Current(), nullptr); // not allowed

    CSplashWnd::EnableSplashScreen(true);
    CSplashWnd::ShowSplashScreen(&frame);
    QPointer<CSplashWnd> splash = CSplashWnd::Current();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->size(), QPixmap(HostResource("BITMAP", 318)).size());
    CSplashWnd::ShowSplashScreen(&frame);
    EXPECT_EQ(CSplashWnd::Current(), splash);

    splash->findChild<QTimer *>(QStringLiteral("SplashTimer"))->start(0);
    EXPECT_TRUE(waitUntil([&] { return splash.isNull(); }));
    EXPECT_EQ(CSplashWnd::Current(), nullptr);

    CSplashWnd::ShowSplashScreen(&frame);
    splash = CSplashWnd::Current();
    CSplashWnd::HideSplashScreen();
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    EXPECT_TRUE(waitUntil([&] { return splash.isNull(); }));
    CSplashWnd::EnableSplashScreen(false);
}

TEST(AboutDlg, VersionLine)
{
    const char *const cases[][2] = {
        {"5, 0, 592, 2", "Version 5.0.592.2"},
        {"5,0,592,2", "Version 5.0.592.2"},
        {" 5 . 0 . 592 . 2 ", "Version 5.0.592.2"},
        {"5.0, 1", "Version 5.0, 1"}, // a point is there: the commas stay in the parts
        {"", "Version "},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CAboutDlg::VersionLine(QString::fromLatin1(c[0])), QString::fromLatin1(c[1])) << c[0];
}

TEST(AboutDlg, ShowsTheProgramVersionOnItsPictureAndClosesWithOk)
{
    CAboutDlg dialog;
    QStringList version = QStringLiteral(OSTREL_TEST_VERSION).split(QLatin1Char('.'));
    while (version.size() < 4)
        version.append(QStringLiteral("0"));
    EXPECT_EQ(dialog.VersionText(), QStringLiteral("Version ") + version.join(QLatin1Char('.')));
    EXPECT_TRUE(dialog.findChild<QPlainTextEdit *>(QStringLiteral("c1005"))->isReadOnly());

    // The version is written in white inside its rectangle.
    const QImage shown = dialog.grab().toImage();
    int white = 0;
    for (int y = CAboutDlg::kVersionRect.top(); y <= CAboutDlg::kVersionRect.bottom(); ++y)
        for (int x = CAboutDlg::kVersionRect.left(); x <= CAboutDlg::kVersionRect.right(); ++x)
            white += qGray(shown.pixel(x, y)) > 230;
    EXPECT_GT(white, 20);

    dialog.show();
    dialog.findChild<QPushButton *>(QStringLiteral("c1"))->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}
