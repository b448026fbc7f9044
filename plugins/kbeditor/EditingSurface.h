#pragma once
// CEditingSurface: what the article editor needs from the view that edits
// an article body as formatted text. The editor frame drives it through
// command names (the browser editing commands: "bold", "insertOrderedList",
// "fontName", ... plus "cut", "copy", "paste", "undo", "redo", "selectAll"
// and our own "absolutePosition") and reads back the states the surface
// cached at the last selection change, so everything but the surface itself
// works without a browser engine. User-interface thread only.

#include <QString>
#include <QVariant>
#include <QWidget>

#include <optional>

struct SurfaceCommandState
{
    bool enabled = false;
    bool checked = false;
    // fontName, fontSize and formatBlock: the value at the selection.
    QString value;
};

class CEditingSurface : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Starts a fresh page holding the body, switched into design mode.
    virtual void Load(const QString &body) = 0;
    // Replaces the body of the page (or of the page still loading).
    virtual void SetBody(const QString &body) = 0;
    // The body as the agent left it; nothing until the page has loaded, so
    // that a body still on its way is never taken for an empty one.
    virtual std::optional<QString> Body() const = 0;
    // Runs an editing command at the selection; value as the command needs.
    virtual void Exec(const QString &command, const QVariant &value = QVariant()) = 0;
    // The cached state of a command.
    virtual SurfaceCommandState State(const QString &command) const = 0;

signals:
    // The selection or the text changed; the cached states are new.
    void selectionChanged();
    // The agent asked for a context menu at this global position.
    void contextMenuRequested(const QPoint &globalPos);
};
