#pragma once
// CTessaryPane: the top-level frame of a detached chat. It holds one full
// chat window and an "Exit" button, opens at the size it had last time
// ("Placement" under "Tessary\Chat"; 438 x 335 at first, and never
// smaller), is dragged by its client area and deletes itself when closed.
// Closing the frame does not end the chat; its owner hears `closing` once.
//
// Threading: user-interface thread only.

#include "skins/QVSkinWnd.h"

#include <QPointer>
#include <QSize>
#include <QTimer>

class CQVButton;

class CTessaryPane : public CQVSkinWnd
{
    Q_OBJECT
public:
    static constexpr QSize kMinimumSize{438, 335};
    static constexpr int kExitId = 2;

    // chatWindow: the full chat window with its chat attached; the frame
    // takes ownership. title: the chat's title.
    CTessaryPane(QWidget *chatWindow, const QString &title);
    ~CTessaryPane() override;

    QWidget *ChatWindow() const { return m_chatWindow; }
    CQVButton *ExitButton() const { return m_exit; }

    // The size a new frame opens with: the saved one, within the minimum and
    // the screen.
    static QSize InitialSize();

signals:
    // The frame is going; emitted once, before it deletes itself (receivers
    // forget it and must not delete it).
    void closing(CTessaryPane *pane);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void SavePlacement();
    void TellOwner();

    QPointer<QWidget> m_chatWindow;
    CQVButton *m_exit = nullptr;
    // Resizing writes the placement once it settles, not on every step.
    QTimer m_saveTimer;
    bool m_ownerTold = false;
};
