#include "shared/html/QVHtmlWebView.h"

#include <QBuffer>
#include <QContextMenuEvent>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QMenu>
#include <QMetaMethod>
#include <QQuickWindow>
#include <QWebChannel>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNavigationRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

Q_LOGGING_CATEGORY(lcWebView, "ostrel.webview", QtInfoMsg)

namespace {

const QByteArray kScheme = QByteArrayLiteral("qvhtml");
const QString kExternalScriptName = QStringLiteral("qvhtml-external");

// Serves the panes' in-memory documents, each under the address its pane
// gave it; anything else is not found.
class CQVHtmlSchemeHandler : public QWebEngineUrlSchemeHandler
{
public:
    void Serve(const QUrl &url, QByteArray document) { m_documents.insert(Key(url), std::move(document)); }
    void Forget(const QUrl &url) { m_documents.remove(Key(url)); }

    void requestStarted(QWebEngineUrlRequestJob *job) override
    {
        if (job->requestMethod() != "GET") {
            job->fail(QWebEngineUrlRequestJob::RequestDenied);
            return;
        }
        const auto found = m_documents.constFind(Key(job->requestUrl()));
        if (found == m_documents.constEnd()) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        auto *buffer = new QBuffer(job);
        buffer->setData(*found);
        buffer->open(QIODevice::ReadOnly);
        job->reply(QByteArrayLiteral("text/html;charset=UTF-8"), buffer);
    }

private:
    static QString Key(const QUrl &url) { return url.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment).toString(); }

    QHash<QString, QByteArray> m_documents;
};

// What of the external object a document sees: the void methods it may
// call, and the answers of the others, taken when the document is loaded.
struct ExternalMembers
{
    QStringList calls;
    QJsonObject values;
};

// The object's own public methods and slots without parameters.
QList<QMetaMethod> ExternalMethods(const QObject *external)
{
    QList<QMetaMethod> methods;
    const QMetaObject *meta = external->metaObject();
    for (int i = QObject::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.access() == QMetaMethod::Public && method.parameterCount() == 0
            && (method.methodType() == QMetaMethod::Method || method.methodType() == QMetaMethod::Slot))
            methods.append(method);
    }
    return methods;
}

ExternalMembers ReadExternalMembers(QObject *external)
{
    ExternalMembers members;
    for (const QMetaMethod &method : ExternalMethods(external)) {
        const QString name = QString::fromLatin1(method.name());
        if (method.returnMetaType().id() == QMetaType::Void) {
            members.calls.append(name);
            continue;
        }
        QVariant value(method.returnMetaType());
        if (method.invoke(external, Qt::DirectConnection, QGenericReturnArgument(method.typeName(), value.data())))
            members.values.insert(name, QJsonValue::fromVariant(value));
    }
    return members;
}

QString JsonText(const QJsonValue &value)
{
    // A one-element array keeps any value (also a bare string) valid JSON.
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString WebChannelScript()
{
    QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcWebView) << "the web channel script is missing";
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

} // namespace

// Carries window.external's calls from the web channel to the pane.
class CQVHtmlBridge : public QObject
{
    Q_OBJECT
public:
    explicit CQVHtmlBridge(std::function<void(const QString &)> call, QObject *parent)
        : QObject(parent), m_call(std::move(call))
    {
    }

    Q_INVOKABLE void Call(const QString &name) { m_call(name); }

private:
    std::function<void(const QString &)> m_call;
};

struct CQVHtmlWebView::Profile
{
    Profile() : profile(new QWebEngineProfile), handler(new CQVHtmlSchemeHandler)
    {
        profile->installUrlSchemeHandler(kScheme, handler);
    }
    ~Profile()
    {
        delete profile;
        delete handler;
    }
    Profile(const Profile &) = delete;
    Profile &operator=(const Profile &) = delete;

    // Off the record: nothing of a visitor's pages is written to disk.
    QWebEngineProfile *profile;
    CQVHtmlSchemeHandler *handler;
    quint64 nextDocument = 1;
};

std::shared_ptr<CQVHtmlWebView::Profile> CQVHtmlWebView::SharedProfile()
{
    static std::weak_ptr<Profile> shared;
    std::shared_ptr<Profile> profile = shared.lock();
    if (!profile) {
        profile = std::make_shared<Profile>();
        shared = profile;
    }
    return profile;
}

CQVHtmlViewCtrl::CQVHtmlViewCtrl(QWebEnginePage *page, QWidget *parent) : QWebEngineView(parent)
{
    setPage(page);
    connect(page, &QWebEnginePage::loadingChanged, this, &CQVHtmlViewCtrl::OnLoadingChanged);
    setUrl(QUrl(QStringLiteral("about:blank")));
}

bool CQVHtmlViewCtrl::OnNavigateError(const QUrl &, const QString &, int)
{
    return true;
}

void CQVHtmlViewCtrl::contextMenuEvent(QContextMenuEvent *event)
{
    emit contextMenuRequested(event->globalPos());
    event->accept();
}

void CQVHtmlViewCtrl::OnLoadingChanged(const QWebEngineLoadingInfo &info)
{
    if (info.status() != QWebEngineLoadingInfo::LoadFailedStatus)
        return;
    // A load replaced by another is no error.
    if (info.errorCode() == -3)
        return;
    const bool goOn = m_onNavigateError ? m_onNavigateError(info.url(), QString(), info.errorCode())
                                        : OnNavigateError(info.url(), QString(), info.errorCode());
    if (!goOn)
        setUrl(QUrl(QStringLiteral("about:blank")));
}

void CQVHtmlWebView::PrepareEngine()
{
    // Every entry point of the module asks; the first one sets up.
    if (!QWebEngineUrlScheme::schemeByName(kScheme).name().isEmpty())
        return;
    // A web view drawn through OpenGL makes Qt compose its whole window
    // through OpenGL: every repaint of any widget in it, a ticking time
    // column or a blinking caret, then copies and composes the full window,
    // which costs several per cent of a core at rest where GL is software.
    // Our pages are still documents, which the software scene graph draws
    // cheaply; the window stays a raster window. QT_QUICK_BACKEND, if set,
    // still chooses.
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QWebEngineUrlScheme scheme(kScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Host);
    // Local access: the skin's style sheet is a file.
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}

CQVHtmlWebView::CQVHtmlWebView(QWidget *parent, IQVHtmlView::Events events) : m_events(std::move(events))
{
    PrepareEngine();
    m_profile = SharedProfile();
    auto *page = new QWebEnginePage(m_profile->profile);
    m_view = new CQVHtmlViewCtrl(page, parent);
    page->setParent(m_view);
    // The pane's own loads are typed navigations of the main frame; whatever
    // the page itself starts (links, forms, refreshes, frames) may be kept out.
    QObject::connect(page, &QWebEnginePage::navigationRequested, m_view, [this](QWebEngineNavigationRequest &request) {
        if (m_pageNavigation
            || (request.isMainFrame() && request.navigationType() == QWebEngineNavigationRequest::TypedNavigation)) {
            request.accept();
            return;
        }
        request.reject();
        if (request.isMainFrame() && request.navigationType() == QWebEngineNavigationRequest::LinkClickedNavigation
            && m_events.linkClicked)
            m_events.linkClicked(request.url());
    });
    // A link for a new window opens nothing here; the click is told like
    // any other when the page does not navigate itself.
    QObject::connect(page, &QWebEnginePage::newWindowRequested, m_view, [this](QWebEngineNewWindowRequest &request) {
        if (!m_pageNavigation && request.isUserInitiated() && m_events.linkClicked)
            m_events.linkClicked(request.requestedUrl());
    });
    QObject::connect(m_view, &CQVHtmlViewCtrl::contextMenuRequested, m_view, [this](const QPoint &at) {
        if (!m_events.contextMenu || !m_events.contextMenu(at)) {
            QMenu *menu = m_view->createStandardContextMenu();
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(at);
        }
    });
    // The title may come after the load has finished.
    QObject::connect(m_view, &QWebEngineView::titleChanged, m_view, [this](const QString &title) { OnTitleChanged(title); });
    QObject::connect(m_view, &QWebEngineView::loadFinished, m_view, [this](bool ok) {
        OnTitleChanged(m_view->title());
        if (m_events.loadFinished)
            m_events.loadFinished(ok);
    });
}

CQVHtmlWebView::~CQVHtmlWebView()
{
    // The page must go before the profile it lives in.
    delete m_view;
    m_view = nullptr;
    if (!m_servedUrl.isEmpty())
        m_profile->handler->Forget(m_servedUrl);
}

QUrl CQVHtmlWebView::NextDocumentUrl()
{
    return QUrl(QStringLiteral("%1://page/%2").arg(QLatin1String(kScheme)).arg(m_profile->nextDocument++));
}

void CQVHtmlWebView::LoadFromText(const QString &html, bool granted)
{
    const QUrl url = NextDocumentUrl();
    if (granted && m_external)
        InstallExternalScript(url);
    else
        WithdrawExternal();

    const QByteArray bytes = html.toUtf8();
    if (!m_servedUrl.isEmpty())
        m_profile->handler->Forget(m_servedUrl);
    m_servedUrl.clear();
    if (bytes.size() <= kMaxInlineBytes) {
        m_view->page()->setContent(bytes, QStringLiteral("text/html;charset=UTF-8"), url);
    } else {
        m_servedUrl = url;
        m_profile->handler->Serve(url, bytes);
        m_view->setUrl(url);
    }
}

void CQVHtmlWebView::Navigate(const QUrl &url)
{
    WithdrawExternal();
    m_view->setUrl(url);
}

QString CQVHtmlWebView::GetLocation() const
{
    return m_view->url().toString();
}

void CQVHtmlWebView::SetExternal(QObject *external)
{
    m_external = external;
    if (!external)
        WithdrawExternal();
}

void CQVHtmlWebView::InstallExternalScript(const QUrl &documentUrl)
{
    if (!m_channel) {
        m_channel = new QWebChannel(m_view);
        m_bridge = new CQVHtmlBridge([this](const QString &name) { CallExternal(name); }, m_channel);
        m_channel->registerObject(QStringLiteral("bridge"), m_bridge);
    }
    m_view->page()->setWebChannel(m_channel);
    m_grantedUrl = documentUrl;

    const ExternalMembers members = ReadExternalMembers(m_external);
    // The web channel answers later, so values are fixed here; calls wait
    // for the channel when the page makes them early.
    const QString source =
        QStringLiteral("(function() {\n"
                       "'use strict';\n"
                       "if (location.href !== %1) return;\n"
                       "var values = %2, calls = %3, bridge = null, waiting = [];\n"
                       "var external = {};\n"
                       "Object.keys(values).forEach(function(name) {\n"
                       "  external[name] = function() { return values[name]; };\n"
                       "});\n"
                       "calls.forEach(function(name) {\n"
                       "  external[name] = function() { if (bridge) bridge.Call(name); else waiting.push(name); };\n"
                       "});\n"
                       "Object.defineProperty(window, 'external', { value: external });\n"
                       "%4\n"
                       "if (typeof qt === 'undefined' || !qt.webChannelTransport) return;\n"
                       "new QWebChannel(qt.webChannelTransport, function(channel) {\n"
                       "  bridge = channel.objects.bridge;\n"
                       "  waiting.forEach(function(name) { bridge.Call(name); });\n"
                       "  waiting = [];\n"
                       "});\n"
                       "})();\n")
            .arg(JsonText(documentUrl.toString()), JsonText(members.values), JsonText(QJsonArray::fromStringList(members.calls)),
                 WebChannelScript());

    QWebEngineScriptCollection &scripts = m_view->page()->scripts();
    for (const QWebEngineScript &old : scripts.find(kExternalScriptName))
        scripts.remove(old);
    QWebEngineScript script;
    script.setName(kExternalScriptName);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(source);
    scripts.insert(script);
}

void CQVHtmlWebView::WithdrawExternal()
{
    m_grantedUrl.clear();
    QWebEngineScriptCollection &scripts = m_view->page()->scripts();
    for (const QWebEngineScript &old : scripts.find(kExternalScriptName))
        scripts.remove(old);
    if (m_channel)
        m_view->page()->setWebChannel(nullptr);
}

void CQVHtmlWebView::CallExternal(const QString &name)
{
    // Only the granted document, still shown, reaches the object; a page it
    // navigated to does not.
    if (!m_external || m_grantedUrl.isEmpty() || m_view->url() != m_grantedUrl) {
        qCWarning(lcWebView) << "refused a call to window.external from" << m_view->url().toString();
        return;
    }
    for (const QMetaMethod &method : ExternalMethods(m_external)) {
        if (method.returnMetaType().id() == QMetaType::Void && QLatin1String(method.name()) == name) {
            method.invoke(m_external, Qt::DirectConnection);
            return;
        }
    }
}

void CQVHtmlWebView::SetJavaScriptEnabled(bool on)
{
    m_view->page()->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, on);
}

void CQVHtmlWebView::SetPageNavigation(bool on)
{
    m_pageNavigation = on;
}

void CQVHtmlWebView::SetNavigateErrorCallback(QVNavigateErrorCallback callback)
{
    m_view->SetNavigateErrorCallback(std::move(callback));
}

bool CQVHtmlWebView::IsCopyEnabled() const
{
    return m_view->page()->hasSelection();
}

void CQVHtmlWebView::Copy()
{
    if (IsCopyEnabled())
        m_view->page()->triggerAction(QWebEnginePage::Copy);
}

void CQVHtmlWebView::OnTitleChanged(QString title)
{
    // The engine names an untitled document by its address.
    if (title == m_view->url().toString() || title == m_view->url().toDisplayString())
        title.clear();
    m_view->setWindowTitle(title);
    if (m_events.titleChanged)
        m_events.titleChanged(title);
}

extern "C" Q_DECL_EXPORT IQVHtmlView *OstrelWebCreateHtmlView(QWidget *parent, const IQVHtmlView::Events &events)
{
    return new CQVHtmlWebView(parent, events);
}

#include "QVHtmlWebView.moc"
