#pragma once
// CKBArticleFrame: the top-level editor window of one article: menus, the
// "Editing" toolbar, the properties bar, the status bar and two exchangeable
// views of the body (the formatted editing surface and the HTML source).
// It owns its document; the plug-in keeps it in its open frames until the
// window is destroyed. User-interface thread only.

#include "plugins/kbeditor/KBArticleDocument.h"
#include "plugins/kbeditor/Lumory.h"

#include <QColor>
#include <QFont>
#include <QMainWindow>

#include <functional>
#include <map>
#include <optional>

class CCommandBars;
class CEditingSurface;
class IKeyboardLocks;
class QLabel;
class CKBArticleBar;
class QComboBox;
class QMenu;
class QPlainTextEdit;
class QStackedWidget;
class QToolBar;
class QToolButton;

namespace KBEditorCommand {
enum : unsigned {
    Save = 57603,
    SaveAndClose = 14288,
    Delete = 14268,
    Properties = 14289,
    Close = 57602,
    Undo = 57643,
    Redo = 57644,
    Cut = 57635,
    Copy = 57634,
    Paste = 57637,
    Font = 57696,
    AbsolutePosition = 14273,
    StaticPosition = 14274,
    ViewHtml = 14265,
    ViewSource = 14266,
    About = 57664,
    FontName = 14276,
    FontSize = 14270,
    BlockFormat = 14286,
    Bold = 14275,
    Italic = 14277,
    Underline = 14278,
    ForeColor = 14285,
    OrderedList = 14284,
    UnorderedList = 14281,
    Outdent = 14282,
    Indent = 14283,
    JustifyLeft = 14279,
    JustifyCenter = 14272,
    JustifyRight = 14280,
    Image = 14269,
    Hyperlink = 14271,
    FirstBlockFormat = 14300,
    Customize = 14201,
};
}

class CKBArticleFrame : public QMainWindow, public IArticleFrame
{
    Q_OBJECT
public:
    // Asks for a text colour; an invalid colour means cancelled.
    using ColorPicker = std::function<QColor(QWidget *parent, const QPoint &topLeft)>;
    // Asks for a font, starting at the given one; none means cancelled.
    using FontPicker = std::function<std::optional<QFont>(QWidget *parent, const QFont &initial)>;

    // The surface becomes the frame's child; the plug-in is not owned.
    CKBArticleFrame(const QVPlugin::KBArticle &article, CLumoryPlugin *plugin, CEditingSurface *surface);
    ~CKBArticleFrame() override;

    QWidget *Window() override { return this; }
    std::string ArticleId() const override;

    CKBArticleDocument &Document() { return m_document; }
    CKBArticleBar *Bar() const { return m_bar; }
    QToolBar *EditingBar() const { return m_toolBar; }
    QPlainTextEdit *SourceView() const { return m_source; }
    CCommandBars *CommandBars() const { return m_commandBars; }
    // Where the lock panes read the keyboard; not owned.
    void SetKeyboardLocks(IKeyboardLocks *locks);
    // The menu item or tool button of a command; null for an unknown id.
    QAction *CommandAction(unsigned id) const;

    // Checks title and status, then saves; says why when it cannot.
    bool Save();
    void SaveAndClose();
    void ShowHtmlView(bool html);
    bool IsHtmlView() const;
    // Commands 14300 and up of the block-format menu; others are ignored.
    void ApplyBlockFormat(unsigned command);
    void ChooseForeColor();
    void SetColorPicker(ColorPicker picker) { m_colorPicker = std::move(picker); }
    // Format > Font...: the dialog opens at the selection's font, and what it
    // chose is applied to the selection.
    void ChooseFont();
    void SetFontPicker(FontPicker picker) { m_fontPicker = std::move(picker); }
    // The font at the selection, as the surface last reported it.
    QFont SelectionFont() const;
    // The HTML font size (1 to 7) nearest to a size in points.
    static int HtmlFontSize(qreal points);

    // Our own block formats: the menu's names and the tags they make.
    static const std::vector<std::pair<QString, QString>> &BlockFormats();
    // "#rrggbb", as the editing command takes it.
    static QString ColorText(const QColor &color);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Marks a call that may wait (a body read, a save): input held during
    // the wait runs before it returns and may close the window; the window
    // then goes once the outermost such call has returned, not under it.
    class BusyScope
    {
    public:
        explicit BusyScope(CKBArticleFrame *frame);
        ~BusyScope();

    private:
        CKBArticleFrame *m_frame;
    };
    QAction *AddCommand(QMenu *menu, unsigned id, const QString &text);
    void BuildMenus();
    void BuildToolBar();
    void Run(unsigned id);
    bool PullWindows(CKBArticleDocument &document);
    void UpdateCommandStates();
    void ShowSelectionValues();
    void ShowBlockFormatMenu();
    void AskForLink();
    void AskForImage();
    void ShowAbout();
    void ShowLocks();
    void BuildCommandBars();

    CKBArticleDocument m_document;
    CLumoryPlugin *m_plugin;
    CEditingSurface *m_surface;
    QPlainTextEdit *m_source;
    QStackedWidget *m_views;
    CKBArticleBar *m_bar;
    QToolBar *m_toolBar = nullptr;
    QMenu *m_editMenu = nullptr;
    QComboBox *m_fontName = nullptr;
    QComboBox *m_fontSize = nullptr;
    std::map<unsigned, QAction *> m_actions;
    CCommandBars *m_commandBars = nullptr;
    IKeyboardLocks *m_locks = nullptr;
    QLabel *m_lockPanes[3] = {};
    ColorPicker m_colorPicker;
    FontPicker m_fontPicker;
    int m_busy = 0;
    bool m_deleteWhenIdle = false;
};
