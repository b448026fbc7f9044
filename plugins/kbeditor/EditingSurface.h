#pragma once
// CEditingSurface: what the article editor needs from the view that edits
// an article body as formatted text. The editor frame drives it through
// command names (the browser editing commands: "bold", "insertOrderedList",
// "fontName", ... plus "cut", "copy", "paste", "undo", "redo", "selectAll"
// and our own "absolutePosition") and reads back the states the surface
// cached at the last selection change, so everything but the surface itself
// works without a browser engine. The body itself is never cached: it is read
// from the page whenever it is needed. User-interface thread only.

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
    // The body as it stands in the page at this moment: the surface asks the
    // page and waits for its answer, holding the agent's input back
    // meanwhile. Nothing until the page has taken its body (so that a body
    // still on its way is never taken for an empty one), and nothing when a
    // loaded page did not answer.
    virtual std::optional<QString> Body() = 0;
    // The page has taken a body; from now on only Body() knows the text.
    virtual bool IsLoaded() const = 0;
    // Runs an editing command at the selection; value as the command needs.
    virtual void Exec(const QString &command, const QVariant &value = QVariant()) = 0;
    // The cached state of a command.
    virtual SurfaceCommandState State(const QString &command) const = 0;

signals:
    // The selection or the text changed; the cached states are new.
    void selectionChanged();
    // The agent asked for a context menu at this global position.
    void contextMenuRequested(const QPoint &globalPos);
    // The page took the body last given to Load or SetBody and writes it as
    // shown (its own spelling of the same document).
    void bodyShown(const QString &given, const QString &shown);
};
