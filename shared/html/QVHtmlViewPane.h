#pragma once
// CQVHtmlViewPane: the plug-ins' HTML view (visitor details and history,
// article previews, a visitor's current page). It shows HTML that the
// program builds in memory, or a real address; offers Copy; names its tab
// after the document's title when asked; lets its owner decide about
// navigation errors; and can give one of the program's objects to its own
// documents as window.external. Compiled into the live-chat and the
// knowledge-base editor plug-ins (each keeps a hidden copy); the web view
// inside comes from the web module (QVWebModule), loaded with the first
// pane, so no plug-in links Qt WebEngine. Without the module the pane stays
// blank.
//
// Usage: new CQVHtmlViewPane(tabWidget); tabWidget->addTab(pane, ...);
// pane->SetUpdateTabTitle(true); pane->LoadFromText(html). The pane belongs
// to its parent widget; closing it removes its tab and deletes it.
//
// Threading: user-interface thread only.

#include "shared/html/QVHtmlEngine.h"

#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

class CQVHtmlViewPane : public QWidget
{
    Q_OBJECT
public:
    enum ContextMenuMode { ContextMenuNone = 0, ContextMenuStandard = 1, ContextMenuCopyOnly = 2 };
    // Who may see the external object: only documents loaded with Granted.
    enum class ExternalAccess { None, Granted };

    // The framework's Copy command, as the owners route it.
    static constexpr int kCopyCommand = 57634;

    explicit CQVHtmlViewPane(QWidget *parent = nullptr);
    ~CQVHtmlViewPane() override;

    // The text becomes the view's document (UTF-8). With Granted, the
    // document sees the external object (SetExternal) as window.external.
    void LoadFromText(const QString &html, ExternalAccess access = ExternalAccess::None);
    // A real address; such pages never see the external object.
    void Navigate(const QUrl &url);
    // The view's current address.
    QString GetLocation() const;

    // Not owned. Its public invokable methods without parameters become
    // window.external's methods: a void one is called on the object (later,
    // the web channel being asynchronous); one with a result answers at once
    // with the value it returned when the document was loaded. Takes effect
    // at the next Granted load; null withdraws it at once.
    void SetExternal(QObject *external);

    // When on and the pane is a page of a QTabWidget, its tab shows the
    // document's title.
    void SetUpdateTabTitle(bool on) { m_updateTabTitle = on; }
    void SetTitle(const QString &title);

    void SetContextMenuMode(int mode) { m_contextMenuMode = mode; }
    int ContextMenuMode() const { return m_contextMenuMode; }
    // Off for documents built from visitor data.
    void SetJavaScriptEnabled(bool on);
    // Off: the view follows only the pane's own loads (no links, forms,
    // refreshes or frames).
    void SetPageNavigation(bool on);
    // With page navigation off: gets the links the user clicks, which the
    // view itself does not follow.
    void SetLinkOpener(std::function<void(const QUrl &)> opener);
    void SetNavigateErrorCallback(QVNavigateErrorCallback callback);

    bool IsCopyEnabled() const;
    void Copy();

    // For the owner's use; the pane never reads it.
    const QString &Text() const { return m_text; }
    void SetText(const QString &text) { m_text = text; }

    // The web view (see shared/html/QVHtmlWebView.h); null without the web
    // module.
    CQVHtmlViewCtrl *View() const;

signals:
    // The document finished loading (ok false when it failed).
    void loadFinished(bool ok);

protected:
    // The default answers by mode: none, a Copy-only menu, or the view's
    // own menu. Return true when the request was handled.
    virtual bool ShowContextMenu(const QPoint &globalPos);
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<IQVHtmlView> m_web;
    int m_contextMenuMode = ContextMenuCopyOnly;
    bool m_updateTabTitle = false;
    QString m_text;
    std::function<void(const QUrl &)> m_linkOpener;
};
