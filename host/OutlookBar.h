#pragma once
// CQVOutlookBar: the side bar whose pages are the plug-ins' modes. A column
// of page buttons under a stack of the pages' windows, docked on the left of
// the frame. Before the active page changes the bar asks its guard, which
// may refuse the change; afterwards it tells ActivePageChanged.
//
// The bar is also "UI.BarParentWnd": plug-ins create their page windows as
// its children and then add them as pages. User-interface thread only.

#include <QDockWidget>
#include <QIcon>
#include <QPointer>

#include <functional>
#include <vector>

class QButtonGroup;
class QLabel;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;

class CQVOutlookBar : public QDockWidget
{
    Q_OBJECT

public:
    // True lets the bar change to the page at the index.
    using ChangeGuard = std::function<bool(int index)>;

    explicit CQVOutlookBar(QWidget *parent = nullptr);
    ~CQVOutlookBar() override;

    void SetChangeGuard(ChangeGuard guard) { m_guard = std::move(guard); }

    // Adds a page at the end; the first page becomes the active one without
    // asking the guard. Returns its index.
    int AddPage(QWidget *window, const QString &title, const QIcon &icon);
    // Removes the page of window (the window stays its owner's). When it was
    // the active page, its neighbour becomes active; the guard is told but
    // cannot refuse. False when no page shows window.
    bool RemovePage(QWidget *window);

    int PageCount() const { return int(m_pages.size()); }
    // -1 when the bar has no page.
    int ActivePage() const { return m_active; }
    QWidget *PageWindow(int index) const;
    int IndexOf(const QWidget *window) const;

    // Asks the guard, then shows the page. True when the page at index is
    // the active one afterwards.
    bool SetActivePage(int index);
    // A page change fades the old page out over the new one; the new page is
    // active at once either way.
    void SetAnimated(bool on) { m_animated = on; }
    bool Animated() const { return m_animated; }
    static constexpr int kFadeMs = 180;

signals:
    void ActivePageChanged(int index);

private:
    struct Page
    {
        QPointer<QWidget> window;
        QString title;
        QToolButton *button = nullptr;
        QMetaObject::Connection watch;
    };

    void Show(int index);
    void RemoveAt(int index);
    void FadeOut(QWidget *old);

    ChangeGuard m_guard;
    std::vector<Page> m_pages;
    int m_active = -1;
    QLabel *m_caption = nullptr;
    QStackedWidget *m_stack = nullptr;
    QVBoxLayout *m_buttons = nullptr;
    bool m_animated = true;
};
