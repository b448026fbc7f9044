#pragma once
// The one way the program shows a message box. Tests install a handler that
// records the prompt and scripts the answer instead of showing a window.
// User-interface thread only.

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

struct PromptRequest
{
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::Information;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    // The box comes by itself (an answer from the network, a timer), while
    // the agent may be typing: it is shown without the keyboard and blocks
    // no other window, so no key meant for the chat answers it; the agent
    // clicks it or turns to it.
    bool unasked = false;
};

class CPrompt
{
public:
    using Handler = std::function<QMessageBox::StandardButton(const PromptRequest &)>;

    // Shows the text as plain text (never rich text); returns the button pressed.
    static QMessageBox::StandardButton Show(const PromptRequest &request, QWidget *parent = nullptr);
    static QMessageBox::StandardButton Error(const QString &text, QWidget *parent = nullptr);

    // Replaces the message box for tests; an empty handler restores it.
    static void SetHandler(Handler handler);
};
