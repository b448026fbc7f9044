#pragma once
// The frame's client area and the parent of every plug-in view
// ("UI.ViewParentWnd"): each child fills it; only the one a plug-in shows
// is visible. Paints nothing of its own but its edge.

#include <QFrame>

class CChildView : public QFrame
{
    Q_OBJECT

public:
    explicit CChildView(QWidget *parent = nullptr);

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void FitChildren();
};
