#include "plugins/chat/ui/InputRichEditCtrl.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMimeData>

CInputRichEditCtrl::CInputRichEditCtrl(QWidget *parent)
    : CAutoRichEditCtrl(parent)
{
    setAcceptRichText(false);
}

int CInputRichEditCtrl::TextLength() const
{
    return document()->characterCount() - 1;
}

int CInputRichEditCtrl::Room() const
{
    const QTextCursor cursor = textCursor();
    return qMax(0, m_limit - TextLength() + (cursor.selectionEnd() - cursor.selectionStart()));
}

void CInputRichEditCtrl::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers held = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (!parentWidget()) {
        QTextBrowser::keyPressEvent(event);
        return;
    }
    if (enter && held == Qt::NoModifier) {
        event->accept();
        emit SendRequested();
        return;
    }
    const int key = event->key();
    if (key != Qt::Key_Shift && key != Qt::Key_Control && key != Qt::Key_Alt && key != Qt::Key_Meta)
        emit Typing();
    if (enter) {
        // A paragraph, whichever modifier: the send trims only a last one.
        if (Room() > 0)
            textCursor().insertBlock();
        event->accept();
        return;
    }
    if (!event->text().isEmpty() && event->text().front().isPrint() && Room() < event->text().size()
        && !(held & (Qt::ControlModifier | Qt::AltModifier))) {
        QApplication::beep();
        event->accept();
        return;
    }
    QTextBrowser::keyPressEvent(event);
}

void CInputRichEditCtrl::contextMenuEvent(QContextMenuEvent *event)
{
    QWidget *parent = parentWidget();
    if (!parent) {
        event->ignore();
        return;
    }
    QCoreApplication::postEvent(parent, new QContextMenuEvent(event->reason(), mapTo(parent, event->pos()),
                                                              event->globalPos(), event->modifiers()));
    event->accept();
}

bool CInputRichEditCtrl::canInsertFromMimeData(const QMimeData *source) const
{
    return source->hasText();
}

void CInputRichEditCtrl::insertFromMimeData(const QMimeData *source)
{
    if (!source->hasText())
        return;
    QString text = source->text();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const int room = Room();
    if (text.size() > room) {
        QApplication::beep();
        text.truncate(room > 0 && text[room - 1].isHighSurrogate() ? room - 1 : room);
    }
    textCursor().insertText(text);
    ensureCursorVisible();
}
