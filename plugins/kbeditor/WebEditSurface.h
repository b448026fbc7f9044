#pragma once
// CWebEditSurface: the article body edited as formatted text in a Qt
// WebEngine page switched into design mode. Commands run as the document's
// editing commands from a script world of our own; that script reports the
// body and the command states over a web channel at every selection change
// and input, and the surface answers the editor from that cache. The page's
// own scripts never run and the page never navigates away. Built into the
// web module (shared/html); the editor makes it through that module's entry
// point.
// User-interface thread only.

#include "plugins/kbeditor/EditingSurface.h"

#include <QVariantMap>

class QWebChannel;
class QWebEngineProfile;
class QWebEngineView;
class CWebEditPage;

class CWebEditSurface : public CEditingSurface
{
    Q_OBJECT
public:
    explicit CWebEditSurface(QWidget *parent = nullptr);
    ~CWebEditSurface() override;

    void Load(const QString &body) override;
    void SetBody(const QString &body) override;
    std::optional<QString> Body() const override;
    void Exec(const QString &command, const QVariant &value = QVariant()) override;
    SurfaceCommandState State(const QString &command) const override;

    bool IsLoaded() const { return m_loaded; }
    QWebEngineView *View() const { return m_view; }

signals:
    // The body has been put into the page and can be read.
    void loaded();

private:
    friend class CWebEditBridge;
    // From the page's script, over the web channel.
    void OnReady();
    void OnReport(const QString &body, const QVariantMap &states);
    void RunScript(const QString &script);

    QWebEngineProfile *m_profile;
    QWebEngineView *m_view;
    CWebEditPage *m_page;
    QWebChannel *m_channel;
    // The body to put into the page once its script is ready.
    QString m_pending;
    QString m_body;
    QVariantMap m_states;
    bool m_loaded = false;
};

// What the editing page's script may call: nothing but these two.
class CWebEditBridge : public QObject
{
    Q_OBJECT
public:
    explicit CWebEditBridge(CWebEditSurface *surface) : QObject(surface), m_surface(surface) {}

public slots:
    void ready() { m_surface->OnReady(); }
    void report(const QString &body, const QVariantMap &states) { m_surface->OnReport(body, states); }

private:
    CWebEditSurface *m_surface;
};
