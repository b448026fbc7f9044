// The HTML view pane on a real web engine (under Xvfb): large documents,
// text encoding, the tab's title and closing.

#include "skins/QVSettingsHelpers.h"
#include "skins/QVSplitter.h"
#include "tests/HtmlViewTestUtil.h"

#include <QPointer>
#include <QScreen>
#include <QTabWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWindow>

#include <gtest/gtest.h>

TEST(HtmlViewPane, ShowsALargeDocumentWholeInUtf8)
{
    CQVHtmlViewPane pane;
    pane.resize(400, 300);
    pane.show();
    EXPECT_EQ(pane.GetLocation(), QStringLiteral("about:blank"));

    // Over 3 MB: more than a data URL may carry. Non-ASCII text at both
    // ends shows the encoding survived the whole way.
    // Long lines: few line boxes keep the engine's layout quick.
    const QString words = QStringLiteral("0123456789 abcdefghijklmnopqrstuvwxyz ").repeated(40);
    QString body;
    for (int row = 0; body.size() < 3 * 1024 * 1024; ++row)
        body += QString::number(row) + QLatin1Char(' ') + words + QLatin1Char('\n');
    const QString html = QStringLiteral("<html><body><p>Grüße 日本</p><pre>") + body
        + QStringLiteral("</pre><p>end-of-page ü</p></body></html>");
    ASSERT_GT(html.toUtf8().size(), 3 * 1024 * 1024);
    ASSERT_TRUE(LoadAndWait(pane, html));
    EXPECT_TRUE(pane.GetLocation().startsWith(QStringLiteral("qvhtml://"))) << pane.GetLocation().toStdString();

    const QString shown = PlainText(pane);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Grüße 日本")));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("end-of-page ü"))) << shown.right(80).toStdString();
    EXPECT_EQ(shown.count(QStringLiteral("abcdefghijklmnopqrstuvwxyz")), body.count(QStringLiteral("abcdefghijklmnopqrstuvwxyz")));

    // A small document again goes inline and replaces it.
    ASSERT_TRUE(LoadAndWait(pane, QStringLiteral("<p>small ü</p>")));
    EXPECT_EQ(PlainText(pane), QStringLiteral("small ü"));
}

// What is on the screen, not only in the page: the view sits as the visitor
// pane's do, in a tab page of a tab widget in a splitter beside a closed
// column, made after the window was shown. Once laid out it keeps its size:
// the engine works on the widgets' thread, so a view resized without end
// gets its documents loaded and painted only between the resizes, late here
// and, under a window with more to repaint, not at all.
TEST(HtmlViewPane, PaintsEachDocumentItLoads)
{
    EventCounter resizes(QEvent::Resize);
    QTemporaryDir state;
    CQVSettingsHelpers::SetStoreFile(state.filePath(QStringLiteral("Quelvar.conf")));
    {
        QWidget window;
        // The live-chat view: a list above the visitor pane.
        auto *rows = new CQVSplitter(QStringLiteral("Test\\View"), Qt::Vertical, &window);
        rows->addWidget(new QTabWidget);
        auto *splitter = new CQVSplitter(QStringLiteral("Test\\Pane"), Qt::Horizontal);
        rows->addWidget(splitter);
        rows->SetPaneInfo(0, 100, 50);
        rows->SetPaneInfo(1, 200, 200);
        auto *tabs = new QTabWidget;
        auto *chat = new QWidget;
        splitter->addWidget(chat);
        splitter->addWidget(tabs);
        // The chat column closed, as it is until a visitor with a chat is selected.
        splitter->SetPaneInfo(0, 0, 0);
        splitter->SetPaneInfo(1, 200, 200);
        chat->hide();
        auto *page = new QWidget;
        auto *layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        tabs->addTab(page, QStringLiteral("Details"));
        window.resize(500, 400);
        rows->setGeometry(0, 0, 500, 400);
        window.show();
        ASSERT_TRUE(waitUntil([&] { return page->isVisible(); }, 10000));

        auto *pane = new CQVHtmlViewPane(page);
        layout->addWidget(pane);
        // From the display itself: the widget's own grab() paints afresh.
        const auto painted = [pane] {
            const QPoint centre = pane->View()->mapToGlobal(pane->View()->rect().center());
            const QImage image = pane->screen()->grabWindow(0, centre.x(), centre.y(), 1, 1).toImage();
            return image.isNull() ? QColor() : image.pixelColor(0, 0);
        };
        for (const QColor color : {QColor(Qt::red), QColor(Qt::blue), QColor(Qt::green)}) {
            ASSERT_TRUE(LoadAndWait(*pane, QStringLiteral("<body style=\"background:%1\"></body>").arg(color.name())));
            EXPECT_TRUE(waitUntil([&] { return painted() == color; }, 20000))
                << color.name().toStdString() << " wanted, shown " << painted().name().toStdString();
            // Laid out by now.
            if (color == QColor(Qt::red))
                pane->View()->installEventFilter(&resizes);
        }
        EXPECT_EQ(resizes.count, 0);
        // Composed through OpenGL, the window would copy and compose itself
        // whole on every repaint of any widget in it, at rest too.
        EXPECT_EQ(window.windowHandle()->surfaceType(), QSurface::RasterSurface);
    }
    CQVSettingsHelpers::SetStoreFile(QString());
}

TEST(HtmlViewPane, TitleOnItsTabAndCloseRemovesTheTab)
{
    QTabWidget tabs;
    tabs.resize(400, 300);
    auto *other = new CQVHtmlViewPane;
    tabs.addTab(other, QStringLiteral("Other"));
    QPointer<CQVHtmlViewPane> pane = new CQVHtmlViewPane;
    tabs.addTab(pane, QStringLiteral("Preview"));
    tabs.show();

    // Not asked: the label stays.
    ASSERT_TRUE(LoadAndWait(*other, QStringLiteral("<title>Ignored</title><p>x</p>")));
    EXPECT_EQ(tabs.tabText(0), QStringLiteral("Other"));

    pane->SetUpdateTabTitle(true);
    ASSERT_TRUE(LoadAndWait(*pane, QStringLiteral("<title>Fish &amp; Chips</title><p>x</p>")));
    // The title may follow the end of the load.
    EXPECT_TRUE(waitUntil([&] { return tabs.tabText(1) == QStringLiteral("Fish && Chips"); }, 120000))
        << tabs.tabText(1).toStdString();
    EXPECT_EQ(pane->View()->windowTitle(), QStringLiteral("Fish & Chips"));

    // A pane outside a tab widget changes no label.
    CQVHtmlViewPane alone;
    alone.SetUpdateTabTitle(true);
    ASSERT_TRUE(LoadAndWait(alone, QStringLiteral("<title>Alone</title><p>x</p>")));
    ASSERT_TRUE(waitUntil([&] { return alone.View()->windowTitle() == QStringLiteral("Alone"); }, 120000));
    EXPECT_EQ(tabs.tabText(0), QStringLiteral("Other"));

    pane->close();
    EXPECT_EQ(tabs.count(), 1);
    EXPECT_TRUE(waitUntil([&] { return pane.isNull(); }));
}

TEST(HtmlViewPane, NavigationErrorsAskTheOwner)
{
    // A loopback port that nothing listens on any more.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const QUrl refused(QStringLiteral("http://127.0.0.1:%1/page").arg(probe.serverPort()));
    probe.close();

    CQVHtmlViewPane pane;
    pane.show();
    QList<QUrl> asked;
    pane.SetNavigateErrorCallback([&](const QUrl &url, const QString &frame, int status) {
        EXPECT_TRUE(frame.isEmpty());
        EXPECT_NE(status, 0);
        asked.append(url);
        return false;
    });
    pane.Navigate(refused);
    ASSERT_TRUE(waitUntil([&] { return !asked.isEmpty(); }, 120000));
    EXPECT_EQ(asked.first(), refused);
    // Cancelled: no error page, the view is blank.
    EXPECT_TRUE(waitUntil([&] { return pane.GetLocation() == QStringLiteral("about:blank"); }, 120000));
}
