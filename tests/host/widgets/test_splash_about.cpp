#include "host/widgets/AboutDlg.h"
#include "host/widgets/SplashWnd.h"
#include "tests/TestUtil.h"

#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// The project's version with four numbers, as the version record has it.
QString ProjectVersion()
{
    QStringList parts = QStringLiteral(OSTREL_TEST_VERSION).split(QLatin1Char('.'));
    while (parts.size() < 4)
        parts.append(QStringLiteral("0"));
    return parts.join(QLatin1Char('.'));
}

} // namespace

TEST(SplashWnd, ShownOnceWhenAllowedAndGoneAfterItsTime)
{
    QMainWindow frame;
    CSplashWnd::EnableSplashScreen(false);
    CSplashWnd::ShowSplashScreen(&frame);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);

    CSplashWnd::EnableSplashScreen(true);
    CSplashWnd::ShowSplashScreen(&frame);
    QPointer<CSplashWnd> splash = CSplashWnd::Current();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->parentWidget(), &frame);
    EXPECT_TRUE(splash->isWindow());
    EXPECT_EQ(splash->size(), QPixmap(QStringLiteral(":/ostrel/host/BITMAP/318")).size());
    EXPECT_EQ(splash->geometry().center(), splash->screen()->geometry().center());

    CSplashWnd::ShowSplashScreen(&frame);
    EXPECT_EQ(CSplashWnd::Current(), splash);

    // It hides itself when its time is up.
    auto *timer = splash->findChild<QTimer *>(QStringLiteral("SplashTimer"));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), CSplashWnd::kShowMs);
    timer->start(0);
    EXPECT_TRUE(waitUntil([&] { return splash.isNull(); }));
    EXPECT_EQ(CSplashWnd::Current(), nullptr);

    // Signing in hides it before its time.
    CSplashWnd::ShowSplashScreen(&frame);
    splash = CSplashWnd::Current();
    ASSERT_NE(splash, nullptr);
    CSplashWnd::HideSplashScreen();
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    EXPECT_FALSE(splash.isNull() && splash->isVisible());
    EXPECT_TRUE(waitUntil([&] { return splash.isNull(); }));
    CSplashWnd::HideSplashScreen();
    CSplashWnd::EnableSplashScreen(false);
}

TEST(AboutDlg, VersionLine)
{
    const struct
    {
        const char *in;
        const char *out;
    } cases[] = {
        {"5, 0, 592, 2", "Version 5.0.592.2"},
        {"5,0,592,2", "Version 5.0.592.2"},
        {"5.0.592.2", "Version 5.0.592.2"},
        {" 5 . 0 . 592 . 2 ", "Version 5.0.592.2"},
        // A point is there, so the commas stay inside the parts.
        {"5.0, 1", "Version 5.0, 1"},
        {"", "Version "},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CAboutDlg::VersionLine(QString::fromLatin1(c.in)), QString::fromLatin1(c.out)) << c.in;
}

TEST(AboutDlg, ShowsTheProgramVersionOnItsPictureAndClosesWithOk)
{
    CAboutDlg dialog;
    EXPECT_EQ(dialog.VersionText(), QStringLiteral("Version ") + ProjectVersion());
    EXPECT_EQ(dialog.size(), QPixmap(QStringLiteral(":/ostrel/host/BITMAP/319")).size());

    auto *notice = dialog.findChild<QPlainTextEdit *>(QStringLiteral("c1005"));
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isReadOnly());
    EXPECT_FALSE(notice->toPlainText().isEmpty());
    EXPECT_TRUE(QRect(QPoint(0, 0), dialog.size()).contains(notice->geometry()));

    // The version is written in white inside its rectangle.
    const QImage shown = dialog.grab().toImage();
    int white = 0;
    for (int y = CAboutDlg::kVersionRect.top(); y <= CAboutDlg::kVersionRect.bottom(); ++y)
        for (int x = CAboutDlg::kVersionRect.left(); x <= CAboutDlg::kVersionRect.right(); ++x)
            white += qGray(shown.pixel(x, y)) > 230;
    EXPECT_GT(white, 20);

    auto *ok = dialog.findChild<QPushButton *>(QStringLiteral("c1"));
    ASSERT_NE(ok, nullptr);
    dialog.show();
    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}
