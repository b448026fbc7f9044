#include "plugins/kbeditor/KBArticleFrame.h"

#include "bus/Commands.h"
#include "plugins/kbeditor/EditingSurface.h"
#include "plugins/kbeditor/KBArticleBar.h"
#include "plugins/kbeditor/KeyboardLocks.h"
#include "plugins/kbeditor/LumoryStrings.h"
#include "shared/CommandBars.h"
#include "shared/CustomizeDialog.h"
#include "shared/Prompt.h"

#include <QAbstractItemView>
#include <QActionGroup>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QDockWidget>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

using namespace QVPlugin;
using namespace KBEditorCommand;

namespace {

// The commands that go to the editing surface as they are; "check" ones
// show the surface's state as a check mark.
struct SurfaceCommand
{
    unsigned id;
    const char *name;
    bool check;
};

constexpr SurfaceCommand kSurfaceCommands[] = {
    {Cut, "cut", false},
    {Copy, "copy", false},
    {Paste, "paste", false},
    {Undo, "undo", false},
    {Redo, "redo", false},
    {Indent, "indent", false},
    {Outdent, "outdent", false},
    {Bold, "bold", true},
    {Italic, "italic", true},
    {Underline, "underline", true},
    {UnorderedList, "insertUnorderedList", true},
    {OrderedList, "insertOrderedList", true},
    {JustifyLeft, "justifyLeft", true},
    {JustifyCenter, "justifyCenter", true},
    {JustifyRight, "justifyRight", true},
};

const SurfaceCommand *FindSurfaceCommand(unsigned id)
{
    for (const SurfaceCommand &command : kSurfaceCommands) {
        if (command.id == id)
            return &command;
    }
    return nullptr;
}

bool IsEditCommand(unsigned id)
{
    return id == Undo || id == Redo || id == Cut || id == Copy || id == Paste;
}

// Courier 10 when the system has a fixed-pitch match for it, else the
// system's own fixed font at that size.
QFont SourceFont()
{
    QFont font(QStringLiteral("Courier"), 10);
    font.setStyleHint(QFont::TypeWriter);
    if (QFontInfo(font).fixedPitch())
        return font;
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
    return font;
}

QColor DefaultColorPicker(QWidget *parent, const QPoint &topLeft)
{
    QColorDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Choose a Foreground Color"));
    dialog.move(topLeft);
    return dialog.exec() == QDialog::Accepted ? dialog.currentColor() : QColor();
}

std::optional<QFont> DefaultFontPicker(QWidget *parent, const QFont &initial)
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial, parent);
    return ok ? std::optional(font) : std::nullopt;
}

// The style the Font dialog sets and the editing command that toggles it.
struct FontEffect
{
    const char *command;
    bool (QFont::*has)() const;
};
constexpr FontEffect kFontEffects[] = {
    {"bold", &QFont::bold},
    {"italic", &QFont::italic},
    {"underline", &QFont::underline},
    {"strikeThrough", &QFont::strikeOut},
};

} // namespace

CKBArticleFrame::CKBArticleFrame(const KBArticle &article, CLumoryPlugin *plugin, CEditingSurface *surface)
    : m_document(article, plugin), m_plugin(plugin), m_surface(surface), m_source(new QPlainTextEdit),
      m_views(new QStackedWidget(this)), m_bar(new CKBArticleBar), m_colorPicker(DefaultColorPicker),
      m_fontPicker(DefaultFontPicker)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("CKBArticleFrame"));
    resize(1000, 700);

    m_source->setObjectName(QStringLiteral("c59903"));
    m_source->setFont(SourceFont());
    m_source->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_views->addWidget(m_surface);
    m_views->addWidget(m_source);
    setCentralWidget(m_views);

    BuildMenus();
    BuildToolBar();
    auto *dock = new QDockWidget(this);
    dock->setObjectName(QStringLiteral("c14001dock"));
    dock->setTitleBarWidget(new QWidget(dock));
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dock->setWidget(m_bar);
    addDockWidget(Qt::TopDockWidgetArea, dock);
    // The lock panes, each as wide as its text, so that none moves another.
    const char *locks[] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i) {
        auto *pane = new QLabel(this);
        pane->setObjectName(QStringLiteral("c%1").arg(59137 + i));
        pane->setAlignment(Qt::AlignCenter);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QLatin1String(locks[i])) + 8);
        statusBar()->addPermanentWidget(pane);
        m_lockPanes[i] = pane;
    }
    SetKeyboardLocks(KeyboardLocks());
    BuildCommandBars();

    connect(m_surface, &CEditingSurface::selectionChanged, this, [this] {
        ShowSelectionValues();
        UpdateCommandStates();
    });
    connect(m_surface, &CEditingSurface::contextMenuRequested, this, [this](const QPoint &pos) {
        UpdateCommandStates();
        m_editMenu->exec(pos);
    });
    connect(m_surface, &CEditingSurface::bodyShown, this, [this](const QString &given, const QString &shown) {
        m_document.NoteShown(WideToUtf8(given), WideToUtf8(shown));
    });
    m_document.SetPuller([this](CKBArticleDocument &document) { return PullWindows(document); });

    // The lists come from the plug-in's caches now and from the service's
    // answer to the refresh later.
    if (m_plugin) {
        m_bar->SetPlugin(m_plugin);
        m_plugin->Refresh();
        m_bar->OnCategories(m_plugin->Categories());
        m_bar->OnStatuses(m_plugin->Statuses());
    }
    m_bar->FillFrom(article);
    m_surface->Load(Utf8ToWide(article.content));
    setWindowTitle(m_document.Title());
    UpdateCommandStates();
}

CKBArticleFrame::~CKBArticleFrame()
{
    if (m_plugin)
        m_plugin->FrameClosed(this);
}

std::string CKBArticleFrame::ArticleId() const
{
    return m_document.Working().id;
}

QAction *CKBArticleFrame::CommandAction(unsigned id) const
{
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

QAction *CKBArticleFrame::AddCommand(QMenu *menu, unsigned id, const QString &text)
{
    QAction *&action = m_actions[id];
    if (!action) {
        action = new QAction(text, this);
        SetCommandId(action, id);
        connect(action, &QAction::triggered, this, [this, id] { Run(id); });
    }
    if (menu)
        menu->addAction(action);
    return action;
}

void CKBArticleFrame::BuildMenus()
{
    QMenuBar *bar = menuBar();
    QMenu *file = bar->addMenu(tr("&File"));
    AddCommand(file, KBEditorCommand::Save, QStringLiteral("&Save"));
    AddCommand(file, KBEditorCommand::SaveAndClose, QStringLiteral("Save && Close"));
    AddCommand(file, Delete, QStringLiteral("&Delete"));
    file->addSeparator();
    AddCommand(file, Properties, QStringLiteral("Pr&operties..."));
    file->addSeparator();
    AddCommand(file, Close, QStringLiteral("&Close"));

    m_editMenu = bar->addMenu(tr("&Edit"));
    AddCommand(m_editMenu, Undo, QStringLiteral("&Undo"));
    AddCommand(m_editMenu, Redo, QStringLiteral("&Redo"));
    m_editMenu->addSeparator();
    AddCommand(m_editMenu, Cut, QStringLiteral("Cu&t"));
    AddCommand(m_editMenu, Copy, QStringLiteral("&Copy"));
    AddCommand(m_editMenu, Paste, QStringLiteral("&Paste"));

    QMenu *format = bar->addMenu(tr("F&ormat"));
    AddCommand(format, Font, QStringLiteral("&Font..."));
    format->addSeparator();
    AddCommand(format, AbsolutePosition, QStringLiteral("Absolute &Position Element"));
    AddCommand(format, StaticPosition, QStringLiteral("&Static Postion Element"));

    QMenu *view = bar->addMenu(tr("&View"));
    auto *views = new QActionGroup(this);
    for (QAction *action : {AddCommand(view, ViewHtml, QStringLiteral("&HTML")),
                            AddCommand(view, ViewSource, QStringLiteral("&Source"))}) {
        action->setCheckable(true);
        views->addAction(action);
    }

    QMenu *help = bar->addMenu(tr("&Help"));
    AddCommand(help, About, QStringLiteral("&About Quelvar..."));

    // Nothing in the editor handles these.
    m_actions[Delete]->setEnabled(false);
    m_actions[Properties]->setEnabled(false);
    for (QMenu *menu : {file, m_editMenu, format, view, help})
        connect(menu, &QMenu::aboutToShow, this, &CKBArticleFrame::UpdateCommandStates);
}

void CKBArticleFrame::BuildToolBar()
{
    m_toolBar = addToolBar(LumoryString(14007));
    m_toolBar->setObjectName(QStringLiteral("c14014"));

    m_fontName = new QComboBox(m_toolBar);
    m_fontName->setObjectName(QStringLiteral("c14276"));
    m_fontName->addItems(QFontDatabase::families());
    m_fontName->setFixedWidth(150);
    m_fontSize = new QComboBox(m_toolBar);
    m_fontSize->setObjectName(QStringLiteral("c14270"));
    for (int size = 1; size <= 7; ++size)
        m_fontSize->addItem(QString::number(size));
    // At least the 30 pixels of the original, and room for "7" beside the
    // arrow in whatever style and font the desktop has.
    m_fontSize->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_fontSize->setMinimumWidth(qMax(30, m_fontSize->sizeHint().width()));
    // Its drop-down list is no wider than the box by itself, which leaves
    // room for the check mark only.
    m_fontSize->view()->setMinimumWidth(m_fontSize->view()->sizeHintForColumn(0)
                                        + 2 * m_fontSize->view()->frameWidth()
                                        + m_fontSize->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    // Named for the customisation dialog's list.
    QAction *fontName = m_toolBar->addWidget(m_fontName);
    fontName->setText(tr("Font Name"));
    SetCommandId(fontName, FontName);
    QAction *fontSize = m_toolBar->addWidget(m_fontSize);
    fontSize->setText(tr("Font Size"));
    SetCommandId(fontSize, FontSize);
    connect(m_fontName, &QComboBox::activated, this,
            [this] { m_surface->Exec(QStringLiteral("fontName"), m_fontName->currentText()); });
    connect(m_fontSize, &QComboBox::activated, this,
            [this] { m_surface->Exec(QStringLiteral("fontSize"), m_fontSize->currentText().toInt()); });

    // Id, tool tip, the button's own short text and a theme icon if any.
    struct Button
    {
        unsigned id;
        const char *text;
        const char *shortText;
        const char *icon;
    };
    const Button buttons[] = {
        {0, nullptr, nullptr, nullptr},
        {BlockFormat, "Block Format", "Format", "format-text-direction-ltr"},
        {0, nullptr, nullptr, nullptr},
        {Bold, "Bold", "B", "format-text-bold"},
        {Italic, "Italic", "I", "format-text-italic"},
        {Underline, "Underline", "U", "format-text-underline"},
        {ForeColor, "Text Color", "Color", "format-text-color"},
        {0, nullptr, nullptr, nullptr},
        {OrderedList, "Numbered List", "1.", "format-list-ordered"},
        {UnorderedList, "Bullets", "\u2022", "format-list-unordered"},
        {Outdent, "Decrease Indent", "<<", "format-indent-less"},
        {Indent, "Increase Indent", ">>", "format-indent-more"},
        {0, nullptr, nullptr, nullptr},
        {JustifyLeft, "Align Left", "Left", "format-justify-left"},
        {JustifyCenter, "Center", "Center", "format-justify-center"},
        {JustifyRight, "Align Right", "Right", "format-justify-right"},
        {0, nullptr, nullptr, nullptr},
        {Image, "Image", "Image", "insert-image"},
        {0, nullptr, nullptr, nullptr},
        {AbsolutePosition, nullptr, "Absolute", nullptr},
        {StaticPosition, nullptr, "Static", nullptr},
        {0, nullptr, nullptr, nullptr},
        {Hyperlink, "Hyperlink", "Link", "insert-link"},
    };
    for (const Button &button : buttons) {
        if (!button.id) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction *action = AddCommand(nullptr, button.id, QString::fromLatin1(button.text));
        if (FindSurfaceCommand(button.id) && FindSurfaceCommand(button.id)->check)
            action->setCheckable(true);
        action->setIconText(QString::fromUtf8(button.shortText));
        if (button.icon)
            action->setIcon(QIcon::fromTheme(QLatin1String(button.icon)));
        m_toolBar->addAction(action);
    }
}

void CKBArticleFrame::Run(unsigned id)
{
    const bool html = IsHtmlView();
    switch (id) {
    case KBEditorCommand::Save:
        Save();
        return;
    case KBEditorCommand::SaveAndClose:
        SaveAndClose();
        return;
    case Close:
        close();
        return;
    case ViewHtml:
    case ViewSource:
        ShowHtmlView(id == ViewHtml);
        return;
    case Customize:
        CCustomizeDialog(m_commandBars, this).exec();
        return;
    case About:
        ShowAbout();
        return;
    }
    if (!html) {
        // The source view is plain text: only its own editing commands.
        switch (id) {
        case Undo: m_source->undo(); break;
        case Redo: m_source->redo(); break;
        case Cut: m_source->cut(); break;
        case Copy: m_source->copy(); break;
        case Paste: m_source->paste(); break;
        }
        return;
    }
    switch (id) {
    case Font:
        ChooseFont();
        return;
    case AbsolutePosition:
    case StaticPosition:
        if (m_surface->State(QStringLiteral("absolutePosition")).enabled)
            m_surface->Exec(QStringLiteral("absolutePosition"), id == AbsolutePosition);
        return;
    case Image:
        AskForImage();
        return;
    case Hyperlink:
        AskForLink();
        return;
    case ForeColor:
        ChooseForeColor();
        return;
    case BlockFormat:
        ShowBlockFormatMenu();
        return;
    }
    if (const SurfaceCommand *command = FindSurfaceCommand(id))
        m_surface->Exec(QLatin1String(command->name));
}

// A page still loading has nothing but the body it was given, which the
// working copy already holds; a loaded page that does not answer fails the
// pull rather than let an older text pass for the agent's.
bool CKBArticleFrame::PullWindows(CKBArticleDocument &document)
{
    const BusyScope busy(this);
    KBArticle &article = document.Working();
    if (!IsHtmlView()) {
        article.content = WideToUtf8(m_source->toPlainText());
    } else if (const std::optional<QString> body = m_surface->Body()) {
        article.content = WideToUtf8(*body);
    } else if (m_surface->IsLoaded()) {
        return false;
    }
    document.SetTitle(m_bar->TitleEdit()->text());
    m_bar->PullInto(article);
    setWindowTitle(document.Title());
    return true;
}

bool CKBArticleFrame::Save()
{
    const BusyScope busy(this);
    auto refuse = [this](QWidget *field, const QString &text) {
        field->setFocus();
        CPrompt::Error(text, this);
        return false;
    };
    if (m_bar->TitleEdit()->text().isEmpty())
        return refuse(m_bar->TitleEdit(), LumoryString(14018));
    if (m_bar->StatusBox()->currentIndex() < 0)
        return refuse(m_bar->StatusBox(), LumoryString(14019));
    // A category deleted meanwhile leaves the list empty-handed; its old id
    // must not be written back.
    if (m_bar->CategoryBox()->currentIndex() < 0)
        return refuse(m_bar->CategoryBox(), tr("Please select article category"));
    // The edits stay unsaved, and the agent is told, when the service
    // did not take them.
    if (!m_document.Save()) {
        CPrompt::Error(tr("The article could not be saved. Your changes are still here; please try again."),
                       this);
        return false;
    }
    setWindowTitle(m_document.Title());
    return true;
}

void CKBArticleFrame::SaveAndClose()
{
    if (Save())
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

CKBArticleFrame::BusyScope::BusyScope(CKBArticleFrame *frame) : m_frame(frame)
{
    ++m_frame->m_busy;
}

CKBArticleFrame::BusyScope::~BusyScope()
{
    if (--m_frame->m_busy == 0 && m_frame->m_deleteWhenIdle)
        m_frame->deleteLater();
}

void CKBArticleFrame::BuildCommandBars()
{
    const QString kBarsSetting = QStringLiteral("Workspace.Editing");
    m_commandBars = new CCommandBars(this, [this](unsigned id) { return CommandAction(id); });
    m_commandBars->AddToolBar(m_toolBar);
    m_commandBars->ApplyMenuBar();
    auto *customize = new QAction(tr("Customize..."), this);
    connect(customize, &QAction::triggered, this, [this] { Run(Customize); });
    m_commandBars->SetCustomizeAction(customize);
    m_commandBars->LoadUserImages(QCoreApplication::applicationDirPath());
    if (m_plugin) {
        // Kept as text: the settings store nothing else in the file.
        const QVariant saved = m_plugin->GetValue(kBarsSetting, QString());
        if (saved.typeId() == QMetaType::QString)
            m_commandBars->RestoreState(saved.toString().toUtf8());
        connect(m_commandBars, &CCommandBars::Changed, this, [this, kBarsSetting] {
            m_plugin->SetValue(kBarsSetting, QString::fromUtf8(m_commandBars->SaveState()));
        });
    }
}

void CKBArticleFrame::SetKeyboardLocks(IKeyboardLocks *locks)
{
    if (m_locks)
        disconnect(m_locks, nullptr, this, nullptr);
    m_locks = locks;
    if (m_locks)
        connect(m_locks, &IKeyboardLocks::Changed, this, &CKBArticleFrame::ShowLocks);
    ShowLocks();
}

void CKBArticleFrame::ShowLocks()
{
    const KeyboardLockState state = m_locks ? m_locks->State() : KeyboardLockState();
    const bool on[] = {state.caps, state.num, state.scroll};
    const char *texts[] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i)
        m_lockPanes[i]->setText(on[i] ? QLatin1String(texts[i]) : QString());
}

void CKBArticleFrame::changeEvent(QEvent *event)
{
    // A lock changed in another window while this one was in the back.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ShowLocks();
    QMainWindow::changeEvent(event);
}

void CKBArticleFrame::closeEvent(QCloseEvent *event)
{
    const BusyScope busy(this);
    if (m_document.IsModified()) {
        PromptRequest request;
        request.text = tr("Save changes to %1?").arg(m_document.Title());
        request.icon = QMessageBox::Warning;
        request.buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        const QMessageBox::StandardButton answer = CPrompt::Show(request, this);
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Yes && !Save())) {
            event->ignore();
            return;
        }
    }
    if (m_busy > 1) {
        setAttribute(Qt::WA_DeleteOnClose, false);
        m_deleteWhenIdle = true;
    }
    QMainWindow::closeEvent(event);
}

bool CKBArticleFrame::IsHtmlView() const
{
    return m_views->currentWidget() == m_surface;
}

// The text goes across through the working copy, so a body that has not
// finished loading is carried as it stands.
void CKBArticleFrame::ShowHtmlView(bool html)
{
    if (html == IsHtmlView())
        return;
    const BusyScope busy(this);
    m_document.Pull();
    const QString body = Utf8ToWide(m_document.Working().content);
    if (html) {
        m_surface->SetBody(body);
        m_views->setCurrentWidget(m_surface);
    } else {
        m_source->setPlainText(body);
        m_views->setCurrentWidget(m_source);
    }
    m_views->currentWidget()->setFocus();
    UpdateCommandStates();
}

void CKBArticleFrame::UpdateCommandStates()
{
    const bool html = IsHtmlView();
    for (const SurfaceCommand &command : kSurfaceCommands) {
        QAction *action = m_actions[command.id];
        const SurfaceCommandState state = m_surface->State(QLatin1String(command.name));
        action->setEnabled(html ? state.enabled : IsEditCommand(command.id));
        // The plain-text view cuts and copies only a selection.
        if (!html && (command.id == Cut || command.id == Copy))
            action->setEnabled(m_source->textCursor().hasSelection());
        if (command.check)
            action->setChecked(html && state.checked);
    }
    const bool blocks = html && m_surface->State(QStringLiteral("formatBlock")).enabled;
    m_fontName->setEnabled(blocks);
    m_fontSize->setEnabled(blocks);
    m_actions[BlockFormat]->setEnabled(blocks);
    m_actions[ForeColor]->setEnabled(html && m_surface->State(QStringLiteral("foreColor")).enabled);
    const bool positioned = html && m_surface->State(QStringLiteral("absolutePosition")).enabled;
    m_actions[AbsolutePosition]->setEnabled(positioned);
    m_actions[StaticPosition]->setEnabled(positioned);
    for (unsigned id : {Font, Image, Hyperlink})
        m_actions[id]->setEnabled(html);
    m_actions[ViewHtml]->setChecked(html);
    m_actions[ViewSource]->setChecked(!html);
}

// An open drop-down keeps what the agent is choosing.
void CKBArticleFrame::ShowSelectionValues()
{
    if (!m_fontName->view()->isVisible()) {
        QString name = m_surface->State(QStringLiteral("fontName")).value;
        name.remove(QLatin1Char('"')).remove(QLatin1Char('\''));
        const int index = m_fontName->findText(name.section(QLatin1Char(','), 0, 0).trimmed(), Qt::MatchFixedString);
        if (index >= 0)
            m_fontName->setCurrentIndex(index);
    }
    if (!m_fontSize->view()->isVisible()) {
        const int index = m_fontSize->findText(m_surface->State(QStringLiteral("fontSize")).value);
        if (index >= 0)
            m_fontSize->setCurrentIndex(index);
    }
}

const std::vector<std::pair<QString, QString>> &CKBArticleFrame::BlockFormats()
{
    static const std::vector<std::pair<QString, QString>> formats{
        {QStringLiteral("Normal"), QStringLiteral("p")},
        {QStringLiteral("Formatted"), QStringLiteral("pre")},
        {QStringLiteral("Address"), QStringLiteral("address")},
        {QStringLiteral("Heading 1"), QStringLiteral("h1")},
        {QStringLiteral("Heading 2"), QStringLiteral("h2")},
        {QStringLiteral("Heading 3"), QStringLiteral("h3")},
        {QStringLiteral("Heading 4"), QStringLiteral("h4")},
        {QStringLiteral("Heading 5"), QStringLiteral("h5")},
        {QStringLiteral("Heading 6"), QStringLiteral("h6")},
    };
    return formats;
}

void CKBArticleFrame::ShowBlockFormatMenu()
{
    const QString current = m_surface->State(QStringLiteral("formatBlock")).value;
    QMenu menu(this);
    const auto &formats = BlockFormats();
    for (size_t i = 0; i < formats.size(); ++i) {
        QAction *item = menu.addAction(formats[i].first);
        SetCommandId(item, FirstBlockFormat + static_cast<unsigned>(i));
        item->setCheckable(true);
        item->setChecked(formats[i].second.compare(current, Qt::CaseInsensitive) == 0);
    }
    QWidget *button = m_toolBar->widgetForAction(m_actions[BlockFormat]);
    const QPoint at = button ? button->mapToGlobal(QPoint(3, button->height())) : QCursor::pos();
    if (QAction *chosen = menu.exec(at))
        ApplyBlockFormat(CommandIdOf(chosen));
}

void CKBArticleFrame::ApplyBlockFormat(unsigned command)
{
    const auto &formats = BlockFormats();
    if (command < FirstBlockFormat || command - FirstBlockFormat >= formats.size())
        return;
    m_surface->Exec(QStringLiteral("formatBlock"), formats[command - FirstBlockFormat].second);
}

QString CKBArticleFrame::ColorText(const QColor &color)
{
    return QString::asprintf("#%.2x%.2x%.2x", color.red(), color.green(), color.blue());
}

void CKBArticleFrame::ChooseForeColor()
{
    QWidget *button = m_toolBar->widgetForAction(m_actions[ForeColor]);
    const QPoint at = button ? button->mapToGlobal(QPoint(0, 0)) : pos();
    const QColor color = m_colorPicker(this, at);
    if (color.isValid())
        m_surface->Exec(QStringLiteral("foreColor"), ColorText(color));
}

void CKBArticleFrame::AskForLink()
{
    bool ok = false;
    const QString url = QInputDialog::getText(this, tr("Hyperlink"), tr("&URL:"), QLineEdit::Normal,
                                              QStringLiteral("https://"), &ok);
    if (ok && !url.trimmed().isEmpty())
        m_surface->Exec(QStringLiteral("createLink"), url.trimmed());
}

void CKBArticleFrame::AskForImage()
{
    bool ok = false;
    const QString url = QInputDialog::getText(this, tr("Image"), tr("Picture &address:"), QLineEdit::Normal,
                                              QString(), &ok);
    if (ok && !url.trimmed().isEmpty())
        m_surface->Exec(QStringLiteral("insertImage"), url.trimmed());
}

QFont CKBArticleFrame::SelectionFont() const
{
    QFont font;
    QString family = m_surface->State(QStringLiteral("fontName")).value;
    family = family.section(QLatin1Char(','), 0, 0).remove(QLatin1Char('"')).remove(QLatin1Char('\'')).trimmed();
    if (!family.isEmpty())
        font.setFamilies({family});
    // The page measures in CSS pixels, 96 to the inch.
    const qreal pixels = m_surface->State(QStringLiteral("fontPixelSize")).value.toDouble();
    if (pixels > 0)
        font.setPointSizeF(pixels * 72 / 96);
    const bool bold = m_surface->State(QStringLiteral("bold")).checked;
    const bool italic = m_surface->State(QStringLiteral("italic")).checked;
    font.setBold(bold);
    font.setItalic(italic);
    // The dialog finds the style by its name and takes the family's first
    // (a condensed italic, say) for a name the family lacks: name the plainest
    // style that matches.
    QString style;
    for (const QString &candidate : QFontDatabase::styles(family)) {
        if (QFontDatabase::bold(family, candidate) == bold && QFontDatabase::italic(family, candidate) == italic
            && (style.isEmpty() || candidate.size() < style.size()))
            style = candidate;
    }
    if (!style.isEmpty())
        font.setStyleName(style);
    font.setUnderline(m_surface->State(QStringLiteral("underline")).checked);
    font.setStrikeOut(m_surface->State(QStringLiteral("strikeThrough")).checked);
    return font;
}

// The document's sizes are HTML's 1 to 7 (10, 13, 16, 18, 24, 32 and 48 CSS
// pixels), as the size box offers them; a size between two takes the nearer.
int CKBArticleFrame::HtmlFontSize(qreal points)
{
    static constexpr qreal kPoints[] = {7.5, 9.75, 12, 13.5, 18, 24, 36};
    int best = 0;
    for (int i = 1; i < 7; ++i) {
        if (qAbs(kPoints[i] - points) < qAbs(kPoints[best] - points))
            best = i;
    }
    return best + 1;
}

void CKBArticleFrame::ChooseFont()
{
    const std::optional<QFont> font = m_fontPicker(this, SelectionFont());
    if (!font)
        return;
    // The toggles go by the states before anything changes.
    std::vector<QString> toggles;
    for (const FontEffect &effect : kFontEffects) {
        const QString command = QLatin1String(effect.command);
        if (m_surface->State(command).checked != ((*font).*effect.has)())
            toggles.push_back(command);
    }
    if (!font->family().isEmpty())
        m_surface->Exec(QStringLiteral("fontName"), font->family());
    if (font->pointSizeF() > 0)
        m_surface->Exec(QStringLiteral("fontSize"), HtmlFontSize(font->pointSizeF()));
    for (const QString &command : toggles)
        m_surface->Exec(command);
}

// The host's About box: the host runs its own About command for us.
void CKBArticleFrame::ShowAbout()
{
    QWidget *viewParent = m_plugin ? m_plugin->GetViewParent() : nullptr;
    if (!viewParent)
        return;
    const QList<QAction *> actions = viewParent->window()->findChildren<QAction *>();
    for (QAction *action : actions) {
        if (CommandIdOf(action) == About) {
            action->trigger();
            return;
        }
    }
}
