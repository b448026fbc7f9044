// The web module's loader: Qt WebEngine and the GL context it draws through
// come into the process with the first web view, not before, and that view
// works. The program links the pane's library only, as the plug-ins do.

#include "shared/html/QVHtmlViewPane.h"

#include <QFile>
#include <QOpenGLContext>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

bool Mapped(const char *library)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

} // namespace

TEST(WebModule, TheEngineComesWithTheFirstPane)
{
    EXPECT_FALSE(Mapped("libQt6WebEngineCore"));
    EXPECT_EQ(QOpenGLContext::globalShareContext(), nullptr);

    CQVHtmlViewPane pane;
    EXPECT_TRUE(Mapped("libQt6WebEngineCore"));
    ASSERT_NE(pane.View(), nullptr);
    EXPECT_NE(QOpenGLContext::globalShareContext(), nullptr);

    pane.resize(300, 200);
    pane.show();
    QSignalSpy finished(&pane, &CQVHtmlViewPane::loadFinished);
    pane.LoadFromText(QStringLiteral("<p>hello</p>"));
    ASSERT_TRUE(finished.wait(120000));
    EXPECT_TRUE(finished.first().first().toBool());
}
