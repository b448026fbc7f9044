#pragma once
// IQVHtmlView: what an HTML view pane asks of the web view inside it. The
// web module (libostrel_web.so, which alone links Qt WebEngine) makes it;
// the plug-ins see only this header, so the engine and the GL stack behind
// it load with the first web view instead of at start. Also the names of
// the module's entry points.
//
// Threading: user-interface thread only.

#include <QString>
#include <QUrl>

#include <functional>

class CEditingSurface;
class CQVHtmlViewCtrl;
class QObject;
class QPoint;
class QWidget;

// Answers true to let the view show its error page, false to cancel (the
// view is left blank). frameName is empty for the main frame.
using QVNavigateErrorCallback = std::function<bool(const QUrl &url, const QString &frameName, int statusCode)>;

class IQVHtmlView
{
public:
    // What the view tells its pane.
    struct Events
    {
        std::function<void(bool ok)> loadFinished;
        // The document's title; empty when it has none.
        std::function<void(const QString &title)> titleChanged;
        // A context menu was asked for; true when the pane handled it, else
        // the view shows its own.
        std::function<bool(const QPoint &globalPos)> contextMenu;
        // The user clicked a link the view did not follow (page navigation
        // off), in this window or for a new one.
        std::function<void(const QUrl &url)> linkClicked;
    };

    virtual ~IQVHtmlView() = default;

    // The web view, a child of the pane; it goes with this object.
    virtual QWidget *Widget() const = 0;
    virtual CQVHtmlViewCtrl *View() const = 0;
    // granted: the document sees the external object as window.external.
    virtual void LoadFromText(const QString &html, bool granted) = 0;
    virtual void Navigate(const QUrl &url) = 0;
    virtual QString GetLocation() const = 0;
    // Not owned; null withdraws it at once.
    virtual void SetExternal(QObject *external) = 0;
    virtual void SetJavaScriptEnabled(bool on) = 0;
    // Off: the view follows only the pane's own loads (no links, forms,
    // refreshes or frames).
    virtual void SetPageNavigation(bool on) = 0;
    virtual void SetNavigateErrorCallback(QVNavigateErrorCallback callback) = 0;
    virtual bool IsCopyEnabled() const = 0;
    virtual void Copy() = 0;
};

// The module's entry points, resolved by name.
using QVCreateHtmlViewFn = IQVHtmlView *(*)(QWidget *parent, const IQVHtmlView::Events &events);
inline constexpr char kCreateHtmlViewSymbol[] = "OstrelWebCreateHtmlView";
using QVCreateEditSurfaceFn = CEditingSurface *(*)(QWidget *parent);
inline constexpr char kCreateEditSurfaceSymbol[] = "OstrelWebCreateEditSurface";
