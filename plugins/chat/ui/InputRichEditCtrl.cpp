#include "plugins/chat/ui/InputRichEditCtrl.h"

#include "plugins/chat/ui/SpellChecker.h"
#include "plugins/chat/ui/SpellHighlighter.h"
#include "shared/AltLetters.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScopeGuard>
#include <QTextBlock>

namespace {

const int kMaxSuggestions = 8;

} // namespace

CInputRichEditCtrl::CInputRichEditCtrl(QWidget *parent)
    : CAutoRichEditCtrl(parent)
{
    // Its window's quick-text keys come first; keyPressEvent drops the rest.
    setProperty(kDecidesAltLetters, true);
    setAcceptRichText(false);
    m_spelling = new CSpellHighlighter(
        CSpellChecker::Shared(), [this] { return m_typing ? textCursor().position() : -1; }, document());
    connect(this, &QTextEdit::cursorPositionChanged, this, [this] {
        if (!m_inKey)
            StopTyping();
        else if (m_typing)
            m_typedAt = textCursor().position();
    });
}

void CInputRichEditCtrl::SetSpellChecker(CSpellChecker &checker)
{
    m_spelling->SetChecker(checker);
}

void CInputRichEditCtrl::StopTyping()
{
    if (!m_typing)
        return;
    m_typing = false;
    const QTextBlock block = document()->findBlock(m_typedAt);
    if (block.isValid())
        m_spelling->rehighlightBlock(block);
}

void CInputRichEditCtrl::focusInEvent(QFocusEvent *event)
{
    // The agent is about to type: the dictionary is read now rather than at
    // the first keystroke.
    m_spelling->Checker().Prepare();
    CAutoRichEditCtrl::focusInEvent(event);
}

void CInputRichEditCtrl::focusOutEvent(QFocusEvent *event)
{
    StopTyping();
    CAutoRichEditCtrl::focusOutEvent(event);
}

int CInputRichEditCtrl::AddSpellingSuggestions(QMenu &menu, const QPoint &pos)
{
    const QTextCursor at = cursorForPosition(viewport()->mapFrom(this, pos));
    const QTextBlock block = at.block();
    const int offset = at.position() - block.position();
    const CSpellChecker &checker = m_spelling->Checker();
    for (const CSpellChecker::Word &word : checker.Misspelled(block.text())) {
        if (offset < word.start || offset > word.start + word.length)
            continue;
        const QString wrong = block.text().mid(word.start, word.length);
        const int start = block.position() + word.start;
        QAction *before = menu.actions().value(0);
        const QStringList suggestions = checker.Suggest(wrong).mid(0, kMaxSuggestions);
        for (const QString &suggestion : suggestions) {
            QAction *action = new QAction(suggestion, &menu);
            connect(action, &QAction::triggered, this, [this, start, wrong, suggestion] {
                QTextCursor cursor(document());
                cursor.setPosition(start);
                cursor.setPosition(start + int(wrong.size()), QTextCursor::KeepAnchor);
                // The text may have changed under an open menu.
                if (cursor.selectedText() != wrong || m_limit - TextLength() + wrong.size() < suggestion.size()) {
                    QApplication::beep();
                    return;
                }
                cursor.insertText(suggestion);
                setTextCursor(cursor);
            });
            menu.insertAction(before, action);
        }
        if (!suggestions.isEmpty() && before)
            menu.insertSeparator(before);
        return int(suggestions.size());
    }
    return 0;
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
    if (IsAltLetter(*event)) {
        // One that reached no menu or control is no character for the peer.
        event->ignore();
        return;
    }
    const int key = event->key();
    if (key != Qt::Key_Shift && key != Qt::Key_Control && key != Qt::Key_Alt && key != Qt::Key_Meta)
        emit Typing();
    // A key that writes, erases included, keeps the word at the caret
    // free of underlines; any other key ends that.
    if (event->text().isEmpty() || (held & (Qt::ControlModifier | Qt::AltModifier))) {
        StopTyping();
    } else {
        m_typing = true;
        m_typedAt = textCursor().position();
    }
    m_inKey = true;
    const auto keyDone = qScopeGuard([this] { m_inKey = false; });
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
    // A mouse menu opens where the mouse is (the viewport's coordinates), a
    // keyboard menu at the caret, so the word under it is the one meant.
    QPoint pos = event->pos();
    QPoint global = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        pos = cursorRect().center();
        global = viewport()->mapToGlobal(pos);
    }
    QCoreApplication::postEvent(parent, new QContextMenuEvent(event->reason(), viewport()->mapTo(parent, pos),
                                                              global, event->modifiers()));
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
