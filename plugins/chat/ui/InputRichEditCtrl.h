#pragma once
// The chat input: a plain Enter asks the chat window to send, Enter with
// Shift, Ctrl or Alt starts a new line, every other key (but a modifier
// alone) counts as typing. Pastes and drops bring plain text only, and the
// text never grows beyond the limit (2,048 characters unless set otherwise).
// The context menu is the parent's; over a misspelled word the parent puts
// the spelling suggestions in front of its own items. Misspelled words are
// underlined as the agent types. User-interface thread only.

#include "plugins/chat/ui/AutoRichEditCtrl.h"

class CSpellChecker;
class CSpellHighlighter;
class QMenu;

class CInputRichEditCtrl : public CAutoRichEditCtrl
{
    Q_OBJECT
public:
    explicit CInputRichEditCtrl(QWidget *parent = nullptr);

    void SetTextLimit(int limit) { m_limit = limit; }
    int TextLimit() const { return m_limit; }
    // Characters in the input, a line break counting as one.
    int TextLength() const;

    // The process's shared checker unless told otherwise.
    void SetSpellChecker(CSpellChecker &checker);
    // When the word at pos (in this control's coordinates) is misspelled:
    // puts its suggestions, each replacing the word, and a separator in
    // front of the menu's items. Returns how many suggestions were put.
    int AddSpellingSuggestions(QMenu &menu, const QPoint &pos);

signals:
    // Only while the control has a parent.
    void SendRequested();
    void Typing();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // How many characters may still replace the selection.
    int Room() const;
    // The word at the caret is no longer being typed: underline it if need be.
    void StopTyping();

    int m_limit = 2048;
    CSpellHighlighter *m_spelling = nullptr;
    bool m_typing = false;
    bool m_inKey = false;
    int m_typedAt = 0;
};
