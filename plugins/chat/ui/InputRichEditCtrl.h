#pragma once
// The chat input: a plain Enter asks the chat window to send, Enter with
// Shift, Ctrl or Alt starts a new line, every other key (but a modifier
// alone) counts as typing. Pastes and drops bring plain text only, and the
// text never grows beyond the limit (2,048 characters unless set otherwise).
// The context menu is the parent's. User-interface thread only.

#include "plugins/chat/ui/AutoRichEditCtrl.h"

class CInputRichEditCtrl : public CAutoRichEditCtrl
{
    Q_OBJECT
public:
    explicit CInputRichEditCtrl(QWidget *parent = nullptr);

    void SetTextLimit(int limit) { m_limit = limit; }
    int TextLimit() const { return m_limit; }
    // Characters in the input, a line break counting as one.
    int TextLength() const;

signals:
    // Only while the control has a parent.
    void SendRequested();
    void Typing();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // How many characters may still replace the selection.
    int Room() const;

    int m_limit = 2048;
};
