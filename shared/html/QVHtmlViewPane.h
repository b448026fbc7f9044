#pragma once
// CQVHtmlViewPane: the plug-ins' HTML view (visitor details and history,
// article previews, a visitor's current page). It shows HTML that the
// program builds in memory, or a real address; offers Copy; names its tab
// after the document's title when asked; lets its owner decide about
// navigation errors; and can give one of the program's objects to its own
// documents as window.external. Compiled into the live-chat and the
// knowledge-base editor plug-ins (each keeps a hidden copy).
//
// Every pane of one plug-in shares one private, off-the-record web profile
// that serves the pane's in-memory documents under the "qvhtml" scheme; the
// profile goes when the last pane goes, so no web object outlives the
// plug-in's code.
//
// Usage: new CQVHtmlViewPane(tabWidget); tabWidget->addTab(pane, ...);
// pane->SetUpdateTabTitle(true); pane->LoadFromText(html). The pane belongs
// to its parent widget; closing it removes its tab and deletes it.
//
// Threading: user-interface thread only.

#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWebEngineView>
#include <QWidget>

#include <functional>
#include <memory>

class CQVHtmlBridge;
class QWebChannel;
class QWebEngineLoadingInfo;

// The web view inside the pane: starts at "about:blank", hands context-menu
// requests to the pane and asks about navigation errors.
class CQVHtmlViewCtrl : public QWebEngineView
{
    Q_OBJECT
public:
    // Answers true to let the view show its error page, false to cancel
    // (the view is left blank). frameName is empty for the main frame.
    using NavigateErrorCallback = std::function<bool(const QUrl &url, const QString &frameName, int statusCode)>;

    // The page belongs to the view.
    CQVHtmlViewCtrl(QWebEnginePage *page, QWidget *parent);

    void SetNavigateErrorCallback(NavigateErrorCallback callback) { m_onNavigateError = std::move(callback); }

    // The overridable default when no callback is installed: true.
    virtual bool OnNavigateError(const QUrl &url, const QString &frameName, int statusCode);

signals:
    // A context menu was asked for at this global position.
    void contextMenuRequested(const QPoint &globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void OnLoadingChanged(const QWebEngineLoadingInfo &info);

    NavigateErrorCallback m_onNavigateError;
};

class CQVHtmlViewPane : public QWidget
{
    Q_OBJECT
public:
    enum ContextMenuMode { ContextMenuNone = 0, ContextMenuStandard = 1, ContextMenuCopyOnly = 2 };
    // Who may see the external object: only documents loaded with Granted.
    enum class ExternalAccess { None, Granted };

    // The framework's Copy command, as the owners route it.
    static constexpr int kCopyCommand = 57634;
    // Larger documents go through the scheme handler: setHtml() makes a
    // Base64 data URL of the text, and the engine refuses URLs over 2 MB.
    static constexpr qsizetype kMaxInlineBytes = 1500 * 1000;

    explicit CQVHtmlViewPane(QWidget *parent = nullptr);
    ~CQVHtmlViewPane() override;

    // Makes the "qvhtml" scheme known to the engine's security model. Takes
    // effect only before Qt WebEngine is first used in the process, so the
    // plug-ins call it when they load; the first pane calls it too.
    static void RegisterScheme();

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
    void SetNavigateErrorCallback(CQVHtmlViewCtrl::NavigateErrorCallback callback);

    bool IsCopyEnabled() const;
    void Copy();

    // For the owner's use; the pane never reads it.
    const QString &Text() const { return m_text; }
    void SetText(const QString &text) { m_text = text; }

    CQVHtmlViewCtrl *View() const { return m_view; }

signals:
    // The document finished loading (ok false when it failed).
    void loadFinished(bool ok);

protected:
    // The default answers by mode: none, a Copy-only menu, or the view's
    // own menu. Return true when the request was handled.
    virtual bool ShowContextMenu(const QPoint &globalPos);
    void closeEvent(QCloseEvent *event) override;

private:
    struct Profile;
    static std::shared_ptr<Profile> SharedProfile();

    void OnTitleChanged(QString title);
    void InstallExternalScript(const QUrl &documentUrl);
    void WithdrawExternal();
    void CallExternal(const QString &name);
    QUrl NextDocumentUrl();

    std::shared_ptr<Profile> m_profile;
    CQVHtmlViewCtrl *m_view = nullptr;
    QPointer<QObject> m_external;
    QWebChannel *m_channel = nullptr;
    CQVHtmlBridge *m_bridge = nullptr;
    // The document loaded with Granted access; only it may call out.
    QUrl m_grantedUrl;
    // The address under which the scheme handler serves this pane's text.
    QUrl m_servedUrl;
    int m_contextMenuMode = ContextMenuCopyOnly;
    bool m_updateTabTitle = false;
    QString m_text;
};
