#pragma once
// The base of the tests that run a main frame: folders of the test's own for
// the program and its settings, prompts recorded instead of shown, and the
// links the program opens recorded instead of opened.

#include "host/MainFrame.h"
#include "shared/Prompt.h"

#include <QDesktopServices>
#include <QDir>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace hosttest {

// A picture of a window for review, saved when OSTREL_SCREENSHOT_DIR names a
// folder (the pictures under docs/ come from here).
inline void SaveForReview(QWidget *window, const QString &name)
{
    const QImage picture = window->grab().toImage();
    EXPECT_FALSE(picture.isNull()) << name.toStdString();
    const QString folder = qEnvironmentVariable("OSTREL_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(picture.save(QDir(folder).filePath(name))) << name.toStdString();
    }
}

// Receives the links the program opens instead of a browser.
class LinkRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls << url; }
};

class FrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_program.isValid() && m_config.isValid());
        CPrompt::SetHandler([this](const PromptRequest &request) {
            prompts << request.text;
            return QMessageBox::Ok;
        });
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &links, "open");
    }
    void TearDown() override
    {
        frame.reset();
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        CPrompt::SetHandler({});
    }

    QString ProgramDir() const { return m_program.path(); }
    QString SettingsFile() const { return m_config.filePath(QStringLiteral("Quelvar.conf")); }

    std::unique_ptr<CMainFrame> frame;
    QStringList prompts;
    LinkRecorder links;

private:
    QTemporaryDir m_program;
    QTemporaryDir m_config;
};

} // namespace hosttest
