#pragma once
// The web module's side of the HTML view pane (CQVHtmlViewPane): the web
// view itself and the engine work behind the pane's calls. Built into
// libostrel_web.so only; the plug-ins reach it through IQVHtmlView.
//
// Every pane shares one private, off-the-record web profile that serves the
// panes' in-memory documents under the "qvhtml" scheme; the profile goes
// when the last pane goes.
//
// Threading: user-interface thread only.

#include "shared/html/QVHtmlEngine.h"

#include <QPointer>
#include <QWebEngineView>

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
    using NavigateErrorCallback = QVNavigateErrorCallback;

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

class CQVHtmlWebView final : public IQVHtmlView
{
public:
    // Larger documents go through the scheme handler: setHtml() makes a
    // Base64 data URL of the text, and the engine refuses URLs over 2 MB.
    static constexpr qsizetype kMaxInlineBytes = 1500 * 1000;

    CQVHtmlWebView(QWidget *parent, IQVHtmlView::Events events);
    ~CQVHtmlWebView() override;

    // Sets the engine up before it is first used in the process: the
    // "qvhtml" scheme known to its security model, and web views drawn by
    // the software scene graph (see the definition).
    static void PrepareEngine();

    QWidget *Widget() const override { return m_view; }
    CQVHtmlViewCtrl *View() const override { return m_view; }
    void LoadFromText(const QString &html, bool granted) override;
    void Navigate(const QUrl &url) override;
    QString GetLocation() const override;
    void SetExternal(QObject *external) override;
    void SetJavaScriptEnabled(bool on) override;
    void SetPageNavigation(bool on) override;
    void SetNavigateErrorCallback(QVNavigateErrorCallback callback) override;
    bool IsCopyEnabled() const override;
    void Copy() override;

private:
    struct Profile;
    static std::shared_ptr<Profile> SharedProfile();

    void OnTitleChanged(QString title);
    void InstallExternalScript(const QUrl &documentUrl);
    void WithdrawExternal();
    void CallExternal(const QString &name);
    QUrl NextDocumentUrl();

    IQVHtmlView::Events m_events;
    std::shared_ptr<Profile> m_profile;
    CQVHtmlViewCtrl *m_view = nullptr;
    QPointer<QObject> m_external;
    QWebChannel *m_channel = nullptr;
    CQVHtmlBridge *m_bridge = nullptr;
    // The document loaded with Granted access; only it may call out.
    QUrl m_grantedUrl;
    // The address under which the scheme handler serves this pane's text.
    QUrl m_servedUrl;
    bool m_pageNavigation = true;
};
