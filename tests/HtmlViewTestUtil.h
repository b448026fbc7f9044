#pragma once
// Helpers for tests that drive an HTML view pane on a real web engine.

#include "shared/html/QVHtmlViewPane.h"
#include "shared/html/QVHtmlWebView.h"
#include "tests/TestUtil.h"

#include <QSignalSpy>
#include <QWebEnginePage>

#include <gtest/gtest.h>

// Loads the text and waits for the load to end; true when it succeeded.
inline bool LoadAndWait(CQVHtmlViewPane &pane, const QString &html,
                        CQVHtmlViewPane::ExternalAccess access = CQVHtmlViewPane::ExternalAccess::None)
{
    QSignalSpy finished(&pane, &CQVHtmlViewPane::loadFinished);
    pane.LoadFromText(html, access);
    return finished.wait(120000) && finished.first().first().toBool();
}

// The document's text as the engine renders it.
inline QString PlainText(CQVHtmlViewPane &pane)
{
    QString text;
    bool done = false;
    pane.View()->page()->toPlainText([&](const QString &result) {
        text = result;
        done = true;
    });
    EXPECT_TRUE(waitUntil([&] { return done; }, 120000));
    return text;
}
