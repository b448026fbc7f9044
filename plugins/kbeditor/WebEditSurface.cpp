#include "plugins/kbeditor/WebEditSurface.h"

#include "shared/UiWait.h"
#include "shared/html/QVHtmlWebView.h"

#include <QChildEvent>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <memory>

Q_LOGGING_CATEGORY(lcLumory, "ostrel.lumory")

namespace {

// The page answers in milliseconds, a large article included; a page that
// has not answered by then has lost its renderer.
constexpr int kBodyAnswerMs = 10000;
// Keys already handed to the page but not yet seen by it are waited for this
// long at most (a key the page never sees, say one typed while it was not
// focused, must not hold every read).
constexpr int kKeysCatchUpMs = 2000;

// The page the body is edited in.
const char kTemplate[] = R"(<!DOCTYPE html PUBLIC "-//W3C//DTD XHTML 1.0 Transitional//EN" "http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd">
<html xmlns="http://www.w3.org/1999/xhtml"><head>
<meta http-equiv="Content-Type" content="text/html; charset=utf-8" />
<title>Lumory Article</title>
<style type="text/css">
body { height: 90%; }
div.container { padding: 30px; }
.container h2 { font: bold italic 20px Arial; color: #006fb1; line-height: 32px; }
.container p { margin: 20px 0; width: 70%; color: #333333; font: 14px Arial; line-height: 24px; }
</style></head><body></body></html>)";

// Runs in our own script world: the article's scripts stay off, ours can
// still reach the document.
const char kEditorScript[] = R"(
(function () {
  var checks = ["bold", "italic", "underline", "strikeThrough", "insertUnorderedList", "insertOrderedList",
                "justifyLeft", "justifyCenter", "justifyRight"];
  var enables = ["indent", "outdent", "formatBlock", "foreColor", "fontName", "fontSize",
                 "createLink", "insertImage"];
  var values = ["fontName", "fontSize", "formatBlock"];
  var bridge = null;
  var filled = false;
  function anchor() {
    var s = document.getSelection();
    var n = s && s.rangeCount ? s.anchorNode : null;
    var e = n && n.nodeType !== 1 ? n.parentElement : n;
    return e && document.body && document.body.contains(e) ? e : null;
  }
  function positioned() {
    var e = anchor();
    return e !== document.body ? e : null;
  }
  function states() {
    var r = {};
    checks.concat(enables).forEach(function (c) {
      var st = { enabled: false, checked: false };
      try { st.enabled = document.queryCommandEnabled(c); st.checked = document.queryCommandState(c); } catch (e) {}
      r[c] = st;
    });
    values.forEach(function (c) {
      try { r[c].value = String(document.queryCommandValue(c)); } catch (e) {}
    });
    var t = positioned();
    r.absolutePosition = { enabled: !!t, checked: !!t && t.style.position === "absolute" };
    var s = document.getSelection();
    var ranged = !!s && s.rangeCount > 0 && !s.isCollapsed;
    r.cut = { enabled: ranged, checked: false };
    r.copy = { enabled: ranged, checked: false };
    var at = anchor() || document.body;
    r.fontPixelSize = { enabled: !!at, checked: false,
                        value: at ? String(parseFloat(getComputedStyle(at).fontSize) || 0) : "" };
    return r;
  }
  function report() {
    if (bridge && filled)
      bridge.report(states());
  }
  window.qvSetBody = function (html, serial) {
    document.designMode = "on";
    document.body.innerHTML = html;
    filled = true;
    if (bridge)
      bridge.shown(serial, document.body.innerHTML);
    report();
  };
  window.qvBody = function () {
    return document.body ? document.body.innerHTML : "";
  };
  // The keys the page has seen: the keys typed reach the page on another
  // road than our scripts, so a read waits until it has seen them all.
  var keys = 0;
  window.addEventListener("keydown", function () { keys++; }, true);
  window.qvRead = function () {
    return [keys, window.qvBody()];
  };
  window.qvExec = function (command, value) {
    document.execCommand(command, false, value === null ? null : String(value));
    report();
  };
  window.qvPosition = function (absolute) {
    var t = positioned();
    if (t)
      t.style.position = absolute ? "absolute" : "static";
    report();
  };
  document.addEventListener("selectionchange", report);
  document.addEventListener("input", report);
  new QWebChannel(qt.webChannelTransport, function (channel) {
    bridge = channel.objects.editor;
    bridge.ready();
  });
})();
)";

QString Json(const QVariant &value)
{
    const QByteArray array = QJsonDocument(QJsonArray{QJsonValue::fromVariant(value)}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array) + QStringLiteral("[0]");
}

QWebEngineScript Script(const QString &name, const QString &source, QWebEngineScript::InjectionPoint point)
{
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(source);
    script.setInjectionPoint(point);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    return script;
}

} // namespace

// Loads only the pages the surface gives it; links and scripts go nowhere.
class CWebEditPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    void ExpectLoad() { m_expectLoad = true; }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        if (isMainFrame && m_expectLoad) {
            m_expectLoad = false;
            return true;
        }
        qCDebug(lcLumory) << "navigation refused:" << url.toDisplayString();
        return false;
    }

private:
    bool m_expectLoad = false;
};

namespace {

// The editor frame shows its own Edit menu.
class CWebEditView : public QWebEngineView
{
public:
    CWebEditView(CEditingSurface *surface) : QWebEngineView(surface), m_surface(surface) {}

protected:
    void contextMenuEvent(QContextMenuEvent *event) override
    {
        emit m_surface->contextMenuRequested(event->globalPos());
    }

private:
    CEditingSurface *m_surface;
};

// The engine is set up before the surface's profile and view exist.
QWebEngineProfile *NewProfile(QObject *owner)
{
    CQVHtmlWebView::PrepareEngine();
    return new QWebEngineProfile(owner);
}

} // namespace

CWebEditSurface::CWebEditSurface(QWidget *parent)
    : CEditingSurface(parent), m_profile(NewProfile(this)), m_view(new CWebEditView(this)),
      m_page(new CWebEditPage(m_profile, m_view)), m_channel(new QWebChannel(this))
{
    setObjectName(QStringLiteral("CKBArticleView"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    QWebEngineSettings *settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);

    QFile channelScript(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!channelScript.open(QIODevice::ReadOnly))
        qCWarning(lcLumory) << "qwebchannel.js is missing: the editor cannot report its state";
    m_page->scripts().insert(Script(QStringLiteral("qwebchannel"), QString::fromUtf8(channelScript.readAll()),
                                    QWebEngineScript::DocumentCreation));
    m_page->scripts().insert(
        Script(QStringLiteral("editor"), QString::fromLatin1(kEditorScript), QWebEngineScript::DocumentReady));
    m_channel->registerObject(QStringLiteral("editor"), new CWebEditBridge(this));
    m_page->setWebChannel(m_channel, QWebEngineScript::ApplicationWorld);
    m_view->setPage(m_page);
    // The keys go to the view's render widget, made when the view is shown.
    m_view->installEventFilter(this);
}

bool CWebEditSurface::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && event->type() == QEvent::ChildAdded) {
        QObject *child = static_cast<QChildEvent *>(event)->child();
        if (child->isWidgetType())
            child->installEventFilter(this);
    } else if (watched != m_view && event->type() == QEvent::KeyPress) {
        ++m_keysSent;
    }
    return CEditingSurface::eventFilter(watched, event);
}

CWebEditSurface::~CWebEditSurface()
{
    // The page must go before its profile.
    delete m_view;
}

void CWebEditSurface::Load(const QString &body)
{
    m_loaded = false;
    m_pending = body;
    m_states.clear();
    m_page->ExpectLoad();
    m_page->setHtml(QString::fromUtf8(kTemplate), QUrl(QStringLiteral("about:blank")));
}

void CWebEditSurface::SetBody(const QString &body)
{
    if (!m_loaded) {
        m_pending = body;
        return;
    }
    PutBody(body);
}

void CWebEditSurface::PutBody(const QString &body)
{
    m_given = body;
    // One arg() call: a "%2" in the body must stay text.
    RunScript(QStringLiteral("qvSetBody(%1, %2)").arg(Json(body), QString::number(++m_serial)));
}

// Input that comes while the page answers is held back, not lost: it runs
// after the read, as it came after the command that reads.
std::optional<QString> CWebEditSurface::Body()
{
    if (!m_loaded)
        return std::nullopt;
    const int keysGiven = m_keysSent - m_keysAtReady;
    QElapsedTimer since;
    since.start();
    std::optional<QString> body;
    for (;;) {
        auto answer = std::make_shared<std::optional<QVariantList>>();
        CUiWait wait;
        QPointer<CUiWait> waiting(&wait);
        m_page->runJavaScript(QStringLiteral("qvRead()"), QWebEngineScript::ApplicationWorld,
                              [answer, waiting](const QVariant &read) {
                                  const QVariantList list = read.toList();
                                  if (list.size() == 2 && list[1].typeId() == QMetaType::QString)
                                      *answer = list;
                                  if (waiting)
                                      waiting->Finish();
                              });
        wait.Run(std::chrono::milliseconds(kBodyAnswerMs));
        if (!answer->has_value()) {
            qCWarning(lcLumory) << "the editing page did not answer with its body";
            return std::nullopt;
        }
        body = (**answer)[1].toString();
        if ((**answer)[0].toInt() >= keysGiven || since.elapsed() >= kKeysCatchUpMs)
            return body;
        // Some keys are still on their way to the page.
        CUiWait().Run(std::chrono::milliseconds(10));
    }
}

void CWebEditSurface::Exec(const QString &command, const QVariant &value)
{
    if (!m_loaded)
        return;
    // The clipboard belongs to the view: a script may not paste.
    static const QHash<QString, QWebEnginePage::WebAction> actions{
        {QStringLiteral("cut"), QWebEnginePage::Cut},
        {QStringLiteral("copy"), QWebEnginePage::Copy},
        {QStringLiteral("paste"), QWebEnginePage::Paste},
    };
    if (const auto it = actions.find(command); it != actions.end()) {
        m_page->triggerAction(*it);
        return;
    }
    if (command == QLatin1String("absolutePosition"))
        RunScript(QStringLiteral("qvPosition(%1)").arg(value.toBool() ? "true" : "false"));
    else
        RunScript(QStringLiteral("qvExec(%1, %2)").arg(Json(command), Json(value)));
}

SurfaceCommandState CWebEditSurface::State(const QString &command) const
{
    SurfaceCommandState state;
    if (!m_loaded)
        return state;
    // The page cannot tell whether the clipboard or the history has
    // anything for these; cut and copy follow the selection (reported).
    static const QStringList viewActions{QStringLiteral("paste"), QStringLiteral("undo"), QStringLiteral("redo")};
    if (viewActions.contains(command)) {
        state.enabled = true;
        return state;
    }
    const QVariantMap entry = m_states.value(command).toMap();
    state.enabled = entry.value(QStringLiteral("enabled")).toBool();
    state.checked = entry.value(QStringLiteral("checked")).toBool();
    state.value = entry.value(QStringLiteral("value")).toString();
    return state;
}

void CWebEditSurface::OnReady()
{
    // A new page has seen none of the keys typed before it.
    m_keysAtReady = m_keysSent;
    PutBody(m_pending);
}

void CWebEditSurface::OnShown(int serial, const QString &shown)
{
    const bool first = !m_loaded;
    m_loaded = true;
    if (first)
        emit loaded();
    if (serial == m_serial)
        emit bodyShown(m_given, shown);
}

void CWebEditSurface::OnReport(const QVariantMap &states)
{
    if (!m_loaded)
        return;
    m_states = states;
    emit selectionChanged();
}

void CWebEditSurface::RunScript(const QString &script)
{
    m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld);
}

extern "C" Q_DECL_EXPORT CEditingSurface *OstrelWebCreateEditSurface(QWidget *parent)
{
    return new CWebEditSurface(parent);
}
