#pragma once
// CWebEditSurface: the article body edited as formatted text in a Qt
// WebEngine page switched into design mode. Commands run as the document's
// editing commands from a script world of our own; that script reports the
// command states over a web channel at every selection change and input,
// and the surface answers the editor's state questions from that cache. The
// body is asked of the page each time it is read. The page's
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
    std::optional<QString> Body() override;
    bool IsLoaded() const override { return m_loaded; }
    void Exec(const QString &command, const QVariant &value = QVariant()) override;
    SurfaceCommandState State(const QString &command) const override;

    QWebEngineView *View() const { return m_view; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // The body has been put into the page and can be read.
    void loaded();

private:
    friend class CWebEditBridge;
    // From the page's script, over the web channel.
    void OnReady();
    void OnShown(int serial, const QString &shown);
    void OnReport(const QVariantMap &states);
    void RunScript(const QString &script);
    void PutBody(const QString &body);

    QWebEngineProfile *m_profile;
    QWebEngineView *m_view;
    CWebEditPage *m_page;
    QWebChannel *m_channel;
    // The body to put into the page once its script is ready.
    QString m_pending;
    // The body last put into the page and its number: the page's answer
    // names the number, so only the latest is taken as shown.
    QString m_given;
    int m_serial = 0;
    QVariantMap m_states;
    bool m_loaded = false;
    // Key presses handed to the page, and how many of them came before its
    // script was ready (the page counts from there).
    int m_keysSent = 0;
    int m_keysAtReady = 0;
};

// What the editing page's script may call: nothing but these three.
class CWebEditBridge : public QObject
{
    Q_OBJECT
public:
    explicit CWebEditBridge(CWebEditSurface *surface) : QObject(surface), m_surface(surface) {}

public slots:
    void ready() { m_surface->OnReady(); }
    void shown(int serial, const QString &body) { m_surface->OnShown(serial, body); }
    void report(const QVariantMap &states) { m_surface->OnReport(states); }

private:
    CWebEditSurface *m_surface;
};
