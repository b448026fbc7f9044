// A box that comes by itself while the agent types, on an X screen that a
// window manager manages: the keys stay in the agent's window and answer
// nothing; the box waits for the agent's click.

#include "shared/Prompt.h"
#include "tests/XKeys.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

TEST(PromptFocus, AnUnaskedBoxTakesNoKeysAndWaitsForTheAgent)
{
    if (!xkeys::OnX() || !xkeys::Managed())
        GTEST_SKIP() << "needs an X display with a window manager";
    struct Case
    {
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton clicked;
    };
    const Case cases[] = {
        {QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No},
        {QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes},
        {QMessageBox::Information, QMessageBox::Ok, QMessageBox::Ok},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.clicked);
        QWidget agentsWindow;
        agentsWindow.setGeometry(100, 100, 500, 300);
        auto *line = new QLineEdit(&agentsWindow);
        line->setGeometry(10, 10, 400, 30);
        agentsWindow.show();
        ASSERT_TRUE(xkeys::Activate(&agentsWindow));
        line->setFocus();

        // Letters a question would take for its mnemonics, Space and Enter.
        const QString typed = QStringLiteral("yes y n now, then Space and");
        auto keys = xkeys::StartTyping(typed);
        waitUntil([] { return false; }, 300);
        // The agent's side runs inside the box's own loop.
        bool answeredByKeys = false;
        bool boxShown = false;
        QTimer::singleShot(0, [&] {
            QPointer<QMessageBox> box;
            boxShown = waitUntil([&] {
                box = agentsWindow.findChild<QMessageBox *>();
                return box && box->isVisible();
            });
            if (!boxShown)
                return;
            const auto byKeys = QObject::connect(box, &QDialog::finished, [&] { answeredByKeys = true; });
            EXPECT_TRUE(keys->Wait());
            EXPECT_TRUE(xkeys::Key(QStringLiteral("Return")));
            EXPECT_EQ(line->text().toStdString(), typed.toStdString());
            EXPECT_TRUE(agentsWindow.isActiveWindow());
            if (box && !answeredByKeys) {
                QObject::disconnect(byKeys);
                EXPECT_TRUE(xkeys::Click(box->button(c.clicked)));
                // Never left waiting when the click went astray.
                EXPECT_TRUE(waitUntil([&] { return !box || !box->isVisible(); }));
                if (box && box->isVisible())
                    box->done(QMessageBox::NoButton);
            }
        });
        PromptRequest request;
        request.text = QStringLiteral("Do you want to accept a transfer request from Bob?");
        request.icon = c.icon;
        request.buttons = c.buttons;
        request.unasked = true;
        const QMessageBox::StandardButton answer = CPrompt::Show(request, &agentsWindow);
        EXPECT_TRUE(boxShown);
        EXPECT_FALSE(answeredByKeys) << "the agent's keys answered the box";
        EXPECT_EQ(answer, c.clicked);
    }
}
