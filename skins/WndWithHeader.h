#pragma once
// A pane with a header band that shows its window title above one hosted
// child, which fills the rest. The band is drawn in the palette's inactive
// button colours, so the visual style decides its look. User-interface thread only.

#include "skins/FaycelExport.h"

#include <QWidget>

class FAYCEL_EXPORT CWndWithHeader : public QWidget
{
    Q_OBJECT
public:
    explicit CWndWithHeader(QWidget *parent = nullptr);

    // 3/2 of the height of a line of text in the widget's font.
    int GetHeaderHeight() const;
    static int HeaderHeightFor(int textHeight) { return textHeight * 3 / 2; }
    // The first child widget, or null when there is none.
    QWidget *GetHostedWnd() const;

protected:
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    bool event(QEvent *e) override;

private:
    void PlaceHostedWnd();
};
