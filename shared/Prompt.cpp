#include "shared/Prompt.h"

#include "shared/QuietWindow.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QThread>

namespace {
CPrompt::Handler &handler()
{
    static CPrompt::Handler h;
    return h;
}
} // namespace

QMessageBox::StandardButton CPrompt::Show(const PromptRequest &request, QWidget *parent)
{
    if (handler())
        return handler()(request);
    // A box on another thread would crash the widget system.
    if (!qApp || QThread::currentThread() != qApp->thread() || !qobject_cast<QApplication *>(qApp))
        return QMessageBox::NoButton;
    // The parent may go while the box runs its loop (a chat window closed
    // when the agent goes offline) and takes the box with it: the box must
    // not live on this stack then.
    QPointer<QMessageBox> box = new QMessageBox(
        request.icon, request.caption.isEmpty() ? QApplication::applicationDisplayName() : request.caption,
        request.text, request.buttons, parent);
    box->setTextFormat(Qt::PlainText);
    int answer = QMessageBox::NoButton;
    if (request.unasked) {
        box->setWindowModality(Qt::NonModal);
        box->setAttribute(Qt::WA_ShowWithoutActivating);
        QEventLoop loop;
        QObject::connect(box, &QDialog::finished, &loop, [&](int result) {
            answer = result;
            loop.quit();
        });
        QObject::connect(box, &QObject::destroyed, &loop, &QEventLoop::quit);
        box->show();
        QuietWindow::Flash(box);
        loop.exec();
    } else {
        answer = box->exec();
    }
    if (!box)
        return QMessageBox::NoButton;
    delete box.data();
    return static_cast<QMessageBox::StandardButton>(answer);
}

QMessageBox::StandardButton CPrompt::Error(const QString &text, QWidget *parent)
{
    PromptRequest r;
    r.text = text;
    r.icon = QMessageBox::Critical;
    return Show(r, parent);
}

void CPrompt::SetHandler(Handler h)
{
    handler() = std::move(h);
}
