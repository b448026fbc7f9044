#pragma once
// CCommandBars: what the agent customised in a frame's menu bar and
// toolbars. Each bar holds a list of item keys: "c<id>" a command, "c<id>:<n>"
// a command shown with user image n, "s" a separator, "m<title>" one of the
// menu bar's menus. The commands offered are those of the frame's menus, one
// category per menu. The layout is kept as one JSON text; a saved text that
// cannot be read, is too large, or names unknown bars or commands is set
// aside for the shipped layout. User-interface thread only.

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <map>
#include <set>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;
class QMenuBar;
class QTimer;
class QToolBar;

class CCommandBars : public QObject
{
    Q_OBJECT
public:
    struct Command
    {
        unsigned id = 0;
        QString text;
        QIcon icon;
    };
    struct Category
    {
        QString name;
        std::vector<Command> commands;
    };
    // The action that a command put on a bar runs; null for a command the
    // frame cannot run.
    using ActionMaker = std::function<QAction *(unsigned id)>;

    static const QString kMenuBar;
    // Saved layouts larger than this are not read.
    static constexpr int kMaxSavedBytes = 64 * 1024;
    static constexpr int kMaxItemsPerBar = 200;
    static constexpr int kMaxUserBars = 20;
    // Bounds of the user-image file, as for the skins' pictures.
    static constexpr qint64 kMaxImageFileBytes = 4 * 1024 * 1024;
    static constexpr int kMaxImageSide = 2048;
    static constexpr int kImageCell = 16;

    CCommandBars(QMainWindow *frame, ActionMaker maker);

    // A shipped toolbar: its layout now is what Reset brings back.
    void AddToolBar(QToolBar *bar);
    // The "Customize..." entry of the context menu of the menu bar and of
    // every toolbar, under the list of toolbars to show or hide.
    void SetCustomizeAction(QAction *customize);

    std::vector<Category> Categories() const;
    // The menu bar first, then the toolbars by name.
    QStringList Bars() const;
    QString Title(const QString &bar) const;
    bool IsUserBar(const QString &bar) const;
    QToolBar *ToolBar(const QString &bar) const;
    QStringList Layout(const QString &bar) const;
    // Keys of unknown commands are dropped.
    void SetLayout(const QString &bar, const QStringList &keys);
    void Reset(const QString &bar);
    void SetBarVisible(const QString &bar, bool visible);
    // A new toolbar of the agent's; returns its name.
    QString AddUserBar(const QString &title);
    void RemoveUserBar(const QString &bar);
    // The text and icon a key shows in lists.
    QString KeyText(const QString &key) const;
    QIcon KeyIcon(const QString &key) const;
    static QString CommandKey(unsigned id, int image = -1);
    static unsigned KeyCommand(const QString &key, int *image = nullptr);

    // The frame (re)built its menu bar: that is the shipped one, and the
    // agent's changes are applied to it again.
    void ApplyMenuBar();

    QByteArray SaveState() const;
    // False (and the shipped layout kept) when the text is refused.
    bool RestoreState(const QByteArray &state);

    // The 16x16 cells of UserImages.bmp or UserImages.png in the folder;
    // none when the file is missing, too large or unreadable.
    int LoadUserImages(const QString &folder);
    const QList<QIcon> &UserImages() const { return m_images; }

    // Personalised menus: while on, a menu shows its basic commands and the
    // recently used ones, the rest after a short delay or the chevron.
    void SetBasicCommands(const std::set<unsigned> &ids) { m_basic = ids; }
    bool OffersPersonalMenus() const { return !m_basic.empty(); }
    void SetPersonalized(bool on);
    bool Personalized() const { return m_personalized; }
    // Called by the frame whenever a menu is about to show.
    void PrepareMenu(QMenu *menu);
    void NoteUsed(unsigned id);
    const std::set<unsigned> &Used() const { return m_used; }
    void ResetUsage() { m_used.clear(); emit Changed(); }
    static constexpr int kFullMenuDelayMs = 2500;

signals:
    // Something the agent changed: the frame saves.
    void Changed();

private:
    struct Bar
    {
        QString name;
        QString title;
        QStringList shipped;
        bool user = false;
        bool customised = false;
        QStringList keys;     // the menu bar's, when customised
        QStringList removed;  // menus the agent took off the menu bar
    };
    Bar *Find(const QString &name);
    const Bar *Find(const QString &name) const;
    QStringList ToolBarKeys(QToolBar *bar) const;
    void Fill(QToolBar *bar, const QStringList &keys);
    QAction *ActionFor(unsigned id);
    bool KnownKey(const Bar &bar, const QString &key);
    QStringList Known(const Bar &bar, const QStringList &keys);
    void ShowAll(QMenu *menu);
    void ArrangeMenuBar();
    void OfferCustomize(QWidget *bar);
    void ShowBarMenu(QWidget *bar, const QPoint &pos);

    QMainWindow *m_frame;
    ActionMaker m_maker;
    std::vector<Bar> m_bars; // the menu bar first
    QList<QPointer<QAction>> m_shippedMenu; // the frame's menu bar as it built it
    QList<QPointer<QAction>> m_separators; // those the agent put on the menu bar
    std::map<unsigned, QAction *> m_made; // actions made for bars, by command
    std::map<QAction *, unsigned> m_shippedWidgets; // a toolbar's own widgets
    QList<QIcon> m_images;
    std::set<unsigned> m_basic;
    std::set<unsigned> m_used;
    bool m_personalized = false;
    int m_nextUserBar = 1;
    QAction *m_customize = nullptr;
};
