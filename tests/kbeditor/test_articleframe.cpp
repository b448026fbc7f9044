// The article editor against a fake editing surface and a recording host.

#include "bus/MessageIds.h"
#include "plugins/kbeditor/EditingSurface.h"
#include "plugins/kbeditor/KBArticleBar.h"
#include "plugins/kbeditor/KBArticleFrame.h"
#include "plugins/kbeditor/KeyboardLocks.h"
#include "shared/CommandBars.h"
#include "shared/CustomizeDialog.h"
#include "shared/Prompt.h"
#include "tests/TestUtil.h"
#include "tests/kbeditor/LumoryHost.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace QVPlugin;

namespace {

class FakeSurface : public CEditingSurface
{
public:
    void Load(const QString &html) override { body = html; }
    void SetBody(const QString &html) override { body = html; }
    std::optional<QString> Body() override
    {
        if (!loaded)
            return std::nullopt;
        return body;
    }
    bool IsLoaded() const override { return loaded; }
    void Exec(const QString &command, const QVariant &value) override
    {
        execs.push_back(value.isValid() ? command + "=" + value.toString() : command);
    }
    SurfaceCommandState State(const QString &command) const override { return states.value(command); }

    bool loaded = true;
    QString body;
    QStringList execs;
    QHash<QString, SurfaceCommandState> states;
};

class ArticleFrame : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CPrompt::SetHandler([this](const PromptRequest &request) {
            prompts.push_back(request.text);
            return answer;
        });
        host.onSend = [this](const QUuid &id, IMessage *in, IMessage *out) {
            if (auto *m = KBPayloadAs<KBArticleMessage>(in))
                sent.push_back(m->value);
            if (id == MSG_KB_ADD_ARTICLE && result > 0)
                static_cast<QVMessage<std::string> *>(out)->value = "17";
            return id == MSG_KB_REFRESH ? 1 : result;
        };
        ASSERT_TRUE(plugin->Initialize(&host));
        KBCategoriesMessage categories({{1, 0, "Hardware"}, {2, 0, "Software"}, {3, 0, "Hardware"}});
        KBStatusesMessage statuses({{"Drafts", ""}, {"Draft", ""}, {"Published", ""}});
        plugin->OnMessage(MSG_KB_CATEGORIES, &categories, nullptr);
        plugin->OnMessage(MSG_KB_STATUSES, &statuses, nullptr);
        article.title = "Printer setup";
        article.status = "draft";
        article.categoryId = 3;
        article.content = "<p>Turn it on.</p>";
    }
    void TearDown() override
    {
        delete frame;
        CPrompt::SetHandler({});
        plugin->Release();
    }

    CKBArticleFrame *Open()
    {
        surface = new FakeSurface;
        frame = new CKBArticleFrame(article, plugin, surface);
        return frame;
    }
    CKBArticleBar *Bar() const { return frame->Bar(); }
    QPushButton *Button(const char *name) const
    {
        return Bar()->findChild<QPushButton *>(QString::fromLatin1(name));
    }

    lumorytest::LumoryHost host;
    CLumoryPlugin *plugin = new CLumoryPlugin;
    int result = 1;
    std::vector<KBArticle> sent;
    QMessageBox::StandardButton answer = QMessageBox::No;
    std::vector<QString> prompts;
    KBArticle article;
    QPointer<CKBArticleFrame> frame;
    FakeSurface *surface = nullptr;
};

// Menus as "text id" lines, separators as "-".
QStringList Describe(const QList<QAction *> &actions)
{
    QStringList lines;
    for (QAction *action : actions) {
        if (action->isSeparator())
            lines << QStringLiteral("-");
        else if (action->menu())
            lines << action->text() + ": " + Describe(action->menu()->actions()).join(QStringLiteral(", "));
        else
            lines << action->text() + " " + QString::number(CommandIdOf(action));
    }
    return lines;
}

TEST_F(ArticleFrame, MenusAndEditingToolbar)
{
    Open();
    EXPECT_EQ(Describe(frame->menuBar()->actions()),
              (QStringList{"&File: &Save 57603, Save && Close 14288, &Delete 14268, -, Pr&operties... 14289, -, "
                           "&Close 57602",
                           "&Edit: &Undo 57643, &Redo 57644, -, Cu&t 57635, &Copy 57634, &Paste 57637",
                           "F&ormat: &Font... 57696, -, Absolute &Position Element 14273, &Static Postion Element "
                           "14274",
                           "&View: &HTML 14265, &Source 14266", "&Help: &About Quelvar... 57664"}));
    std::vector<unsigned> buttons;
    for (QAction *action : frame->EditingBar()->actions())
        buttons.push_back(action->isSeparator() ? 0 : CommandIdOf(action));
    EXPECT_EQ(buttons, (std::vector<unsigned>{14276, 14270, 0, 14286, 0, 14275, 14277, 14278, 14285, 0, 14284,
                                              14281, 14282, 14283, 0, 14279, 14272, 14280, 0, 14269, 0, 14273, 14274,
                                              0, 14271}));
    EXPECT_EQ(frame->EditingBar()->windowTitle(), QStringLiteral("Editing"));
    EXPECT_EQ(frame->EditingBar()->findChild<QComboBox *>(QStringLiteral("c14270"))->count(), 7);
    EXPECT_EQ(frame->SourceView()->font().pointSize(), 10);
    EXPECT_TRUE(QFontInfo(frame->SourceView()->font()).fixedPitch());
}

TEST_F(ArticleFrame, CommandsGoToTheSurfaceAndShowItsStates)
{
    Open();
    surface->states[QStringLiteral("bold")] = {true, true, {}};
    surface->states[QStringLiteral("italic")] = {true, false, {}};
    surface->states[QStringLiteral("fontSize")] = {true, false, QStringLiteral("5")};
    surface->states[QStringLiteral("insertUnorderedList")] = {true, false, {}};
    surface->states[QStringLiteral("paste")] = {true, false, {}};
    emit surface->selectionChanged();
    EXPECT_TRUE(frame->CommandAction(14275)->isChecked());
    EXPECT_TRUE(frame->CommandAction(14277)->isEnabled());
    EXPECT_FALSE(frame->CommandAction(14278)->isEnabled());
    EXPECT_EQ(frame->EditingBar()->findChild<QComboBox *>(QStringLiteral("c14270"))->currentText(), "5");

    for (unsigned id : {14275u, 14281u, 57637u})
        frame->CommandAction(id)->trigger();
    frame->ApplyBlockFormat(14299);
    frame->ApplyBlockFormat(14300 + static_cast<unsigned>(CKBArticleFrame::BlockFormats().size()));
    frame->ApplyBlockFormat(14303);
    frame->SetColorPicker([](QWidget *, const QPoint &) { return QColor(255, 8, 171); });
    frame->ChooseForeColor();
    frame->SetColorPicker([](QWidget *, const QPoint &) { return QColor(); });
    frame->ChooseForeColor();
    EXPECT_EQ(surface->execs.join(QStringLiteral(", ")).toStdString(),
              "bold, insertUnorderedList, paste, formatBlock=h1, foreColor=#ff08ab");

    // The source view is plain text: no formatting reaches the surface.
    frame->ShowHtmlView(false);
    EXPECT_FALSE(frame->CommandAction(14275)->isEnabled());
    EXPECT_FALSE(frame->CommandAction(14275)->isChecked());
    EXPECT_TRUE(frame->CommandAction(57637)->isEnabled());
}

TEST_F(ArticleFrame, ListsReselectByExactNameAndById)
{
    Open();
    QComboBox *status = Bar()->StatusBox();
    QComboBox *category = Bar()->CategoryBox();
    EXPECT_EQ(status->currentText(), QStringLiteral("Draft"));
    EXPECT_EQ(category->currentData().toInt(), 3);
    EXPECT_TRUE(Button("c1048")->isEnabled());
    EXPECT_TRUE(Button("c1050")->isEnabled());

    KBCategoriesMessage categories({{3, 0, "Hardware"}, {1, 0, "Hardware"}});
    KBStatusesMessage statuses({{"Drafts", ""}, {"Published", ""}});
    plugin->OnMessage(MSG_KB_CATEGORIES, &categories, nullptr);
    plugin->OnMessage(MSG_KB_STATUSES, &statuses, nullptr);
    EXPECT_EQ(category->currentData().toInt(), 3);
    EXPECT_EQ(status->currentIndex(), -1);
    EXPECT_FALSE(Button("c1048")->isEnabled());
    EXPECT_TRUE(Button("c1047")->isEnabled());

    // A lone status is no choice for an article whose status has gone; no
    // category keeps the article's id.
    KBStatusesMessage one(std::vector<KBStatus>{{"Review", ""}});
    plugin->OnMessage(MSG_KB_STATUSES, &one, nullptr);
    category->setCurrentIndex(-1);
    EXPECT_EQ(status->currentIndex(), -1);
    EXPECT_FALSE(Button("c1050")->isEnabled());
    EXPECT_TRUE(Button("c1049")->isEnabled());
    frame->Document().Pull();
    EXPECT_EQ(frame->Document().Working().categoryId, 3);
    EXPECT_EQ(frame->Document().Working().status, "draft");
}

// The lone status is taken only for an article that has none yet, whether
// the list comes before or after the window opens.
TEST_F(ArticleFrame, ALoneStatusIsTakenOnlyByAnArticleWithoutOne)
{
    const struct
    {
        const char *status;
        bool listFirst;
        int index;
    } cases[] = {
        {"", false, 0},
        {"", true, 0},
        {"Published", false, -1},
        {"Published", true, -1},
    };
    for (const auto &c : cases) {
        article.status = c.status;
        KBStatusesMessage one(std::vector<KBStatus>{{"Draft", ""}});
        if (c.listFirst)
            plugin->OnMessage(MSG_KB_STATUSES, &one, nullptr);
        delete frame;
        Open();
        plugin->OnMessage(MSG_KB_STATUSES, &one, nullptr);
        EXPECT_EQ(Bar()->StatusBox()->currentIndex(), c.index) << c.status << " " << c.listFirst;
    }
}

// A status or category that leaves the lists leaves its box without a choice,
// whatever the article had when its window opened; a save then asks for one.
TEST_F(ArticleFrame, AChoiceThatIsGoneSelectsNothing)
{
    Open();
    frame->show();
    Bar()->StatusBox()->setCurrentIndex(Bar()->StatusBox()->findText(QStringLiteral("Published")));
    Bar()->CategoryBox()->setCurrentIndex(Bar()->CategoryBox()->findData(1));
    KBCategoriesMessage categories({{2, 0, "Software"}, {3, 0, "Hardware"}});
    KBStatusesMessage statuses({{"Drafts", ""}, {"Draft", ""}});
    for (int refresh = 1; refresh <= 2; ++refresh) {
        plugin->OnMessage(MSG_KB_CATEGORIES, &categories, nullptr);
        plugin->OnMessage(MSG_KB_STATUSES, &statuses, nullptr);
        EXPECT_EQ(Bar()->StatusBox()->currentIndex(), -1) << "refresh " << refresh;
        EXPECT_EQ(Bar()->CategoryBox()->currentIndex(), -1) << "refresh " << refresh;
    }
    EXPECT_FALSE(frame->Save());
    Bar()->StatusBox()->setCurrentIndex(0);
    EXPECT_FALSE(frame->Save());
    EXPECT_EQ(frame->focusWidget(), Bar()->CategoryBox());
    EXPECT_EQ(prompts, (std::vector<QString>{"Please select article status", "Please select article category"}));
    EXPECT_TRUE(sent.empty());
}

// Input held during a save's wait runs before the save returns; a close
// among it hides the window at once but leaves it alive under the save.
TEST_F(ArticleFrame, AWindowClosedDuringItsSaveGoesAfterTheSave)
{
    Open();
    frame->show();
    bool aliveUnderTheSave = false;
    host.onSend = [&](const QUuid &id, IMessage *, IMessage *) {
        if (id == MSG_KB_ADD_ARTICLE) {
            QMetaObject::invokeMethod(frame, &QWidget::close, Qt::QueuedConnection);
            for (int turn = 0; turn < 3; ++turn)
                QCoreApplication::processEvents();
            aliveUnderTheSave = frame && !frame->isVisible();
        }
        return id == MSG_KB_REFRESH ? 1 : -1;
    };
    bool saved = true;
    QTimer::singleShot(0, [&] { saved = frame->Save(); });
    EXPECT_TRUE(waitUntil([&] { return !frame; }));
    EXPECT_TRUE(aliveUnderTheSave);
    EXPECT_FALSE(saved);
}

// Format > Font... starts at the selection's font and applies all it chose.
TEST_F(ArticleFrame, FontDialogStartsAtTheSelectionAndAppliesEverything)
{
    Open();
    surface->states[QStringLiteral("fontName")] = {true, false, QStringLiteral("\"Times New Roman\", serif")};
    surface->states[QStringLiteral("fontPixelSize")] = {true, false, QStringLiteral("16")};
    surface->states[QStringLiteral("bold")] = {true, true, {}};
    QFont initial;
    frame->SetFontPicker([&initial](QWidget *, const QFont &font) {
        initial = font;
        QFont chosen(QStringLiteral("DejaVu Sans"));
        chosen.setPointSizeF(18);
        chosen.setItalic(true);
        chosen.setStrikeOut(true);
        return std::optional(chosen);
    });
    frame->CommandAction(57696)->trigger();
    EXPECT_EQ(initial.family(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(initial.pointSizeF(), 12);
    EXPECT_TRUE(initial.bold());
    EXPECT_FALSE(initial.italic());
    EXPECT_EQ(surface->execs.join(QStringLiteral(", ")).toStdString(),
              "fontName=DejaVu Sans, fontSize=5, bold, italic, strikeThrough");
}

// A narrow window squeezes the toolbar, but never the size box below room
// for its entries.
TEST_F(ArticleFrame, FontSizeBoxKeepsRoomForItsEntries)
{
    Open();
    frame->resize(400, 300);
    frame->show();
    QCoreApplication::processEvents();
    auto *size = frame->EditingBar()->findChild<QComboBox *>(QStringLiteral("c14270"));
    EXPECT_GE(size->width(), size->sizeHint().width());
    // Its drop-down list shows the entries, not only their check marks.
    size->showPopup();
    QCoreApplication::processEvents();
    EXPECT_GE(size->view()->viewport()->width(), size->view()->sizeHintForColumn(0));
    size->hidePopup();
}

TEST_F(ArticleFrame, SaveNeedsTitleThenStatus)
{
    article.status = "Gone";
    Open();
    frame->show();
    Bar()->TitleEdit()->clear();
    EXPECT_FALSE(frame->Save());
    EXPECT_EQ(frame->focusWidget(), Bar()->TitleEdit());
    Bar()->TitleEdit()->setText(QStringLiteral("Printer setup"));
    EXPECT_FALSE(frame->Save());
    EXPECT_EQ(frame->focusWidget(), Bar()->StatusBox());
    EXPECT_EQ(prompts, (std::vector<QString>{"Please enter lumory article title", "Please select article status"}));
    EXPECT_TRUE(sent.empty());
}

TEST_F(ArticleFrame, AddThenUpdateAndTitles)
{
    Open();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Printer setup"));
    EXPECT_FALSE(frame->Document().IsModified());
    surface->body = QStringLiteral("<p>Turn it off.</p>");
    EXPECT_TRUE(frame->Document().IsModified());
    ASSERT_TRUE(frame->Save());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("17 - Printer setup"));
    EXPECT_EQ(frame->ArticleId(), "17");
    EXPECT_FALSE(frame->Document().IsModified());
    Bar()->KeywordsEdit()->setText(QStringLiteral("paper"));
    ASSERT_TRUE(frame->Save());
    EXPECT_EQ(host.sent.back(), MSG_KB_UPDATE_ARTICLE);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].id, "");
    EXPECT_EQ(sent[0].content, "<p>Turn it off.</p>");
    EXPECT_EQ(sent[0].status, "draft"); // as the article names it
    EXPECT_EQ(sent[1].id, "17");
    EXPECT_EQ(sent[1].keywords, "paper");
}

// The service's refusal leaves the edits unsaved, says so, and keeps the
// window open.
TEST_F(ArticleFrame, FailedSaveStaysModified)
{
    Open();
    frame->show();
    Bar()->KeywordsEdit()->setText(QStringLiteral("paper"));
    result = -1;
    frame->SaveAndClose();
    QCoreApplication::processEvents();
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->Document().IsModified());
    EXPECT_EQ(prompts.size(), 1u);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Printer setup"));
}

TEST_F(ArticleFrame, ModifiedIgnoresIdAndDates)
{
    CKBArticleDocument document(article, nullptr);
    document.Working().id = "99";
    document.Working().dateAdded = 5;
    document.Working().dateModified = 6;
    EXPECT_FALSE(document.IsModified());
    const std::vector<std::function<void(KBArticle &)>> changes{
        [](KBArticle &a) { a.categoryId = 4; }, [](KBArticle &a) { a.title += "!"; },
        [](KBArticle &a) { a.status = "Draft"; }, [](KBArticle &a) { a.keywords = "k"; },
        [](KBArticle &a) { a.content += " "; }};
    for (size_t i = 0; i < changes.size(); ++i) {
        CKBArticleDocument changed(article, nullptr);
        changes[i](changed.Working());
        EXPECT_TRUE(changed.IsModified()) << "field " << i;
    }
}

// The body crosses with each switch, and a page still loading is never read
// as an empty body.
TEST_F(ArticleFrame, ViewSwitchingCarriesTheBody)
{
    Open();
    surface->loaded = false;
    surface->body.clear();
    frame->CommandAction(14266)->trigger();
    EXPECT_TRUE(frame->CommandAction(14266)->isChecked());
    EXPECT_EQ(frame->SourceView()->toPlainText(), QStringLiteral("<p>Turn it on.</p>"));
    frame->SourceView()->setPlainText(QStringLiteral("<p>Source edit</p>"));
    frame->CommandAction(14265)->trigger();
    EXPECT_TRUE(frame->IsHtmlView());
    EXPECT_EQ(surface->body, QStringLiteral("<p>Source edit</p>"));
    surface->body.clear();
    ASSERT_TRUE(frame->Save());
    EXPECT_EQ(sent.back().content, "<p>Source edit</p>");

    surface->loaded = true;
    surface->body = QStringLiteral("<p>HTML edit</p>");
    frame->ShowHtmlView(false);
    EXPECT_EQ(frame->SourceView()->toPlainText(), QStringLiteral("<p>HTML edit</p>"));
}

TEST_F(ArticleFrame, CloseAsksOnlyWhenModified)
{
    Open();
    frame->show();
    frame->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(frame);
    EXPECT_TRUE(prompts.empty());

    article.id = "17";
    plugin->SetFrameFactory([this](const KBArticle &a, CLumoryPlugin *p) {
        surface = new FakeSurface;
        return frame = new CKBArticleFrame(a, p, surface);
    });
    plugin->OpenArticleFrame(article);
    ASSERT_EQ(plugin->OpenFrames().size(), 1u);
    Bar()->KeywordsEdit()->setText(QStringLiteral("paper"));
    answer = QMessageBox::Cancel;
    frame->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(frame);
    answer = QMessageBox::No;
    frame->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(frame);
    EXPECT_TRUE(plugin->OpenFrames().empty());
    EXPECT_EQ(prompts, (std::vector<QString>(2, "Save changes to 17 - Printer setup?")));
    EXPECT_TRUE(sent.empty());
}

} // namespace

namespace {

class FakeLocks : public IKeyboardLocks
{
public:
    KeyboardLockState State() override { return state; }
    bool Known() const override { return true; }
    KeyboardLockState state;
};

QStringList LockPanes(CKBArticleFrame *frame)
{
    QStringList texts;
    for (const char *name : {"c59137", "c59138", "c59139"})
        texts << frame->findChild<QLabel *>(QLatin1String(name))->text();
    return texts;
}

} // namespace

TEST_F(ArticleFrame, LockPanesFollowTheKeyboard)
{
    Open();
    FakeLocks locks;
    locks.state = {true, false, false};
    frame->SetKeyboardLocks(&locks);
    EXPECT_EQ(LockPanes(frame), (QStringList{"CAP", "", ""}));
    const struct
    {
        KeyboardLockState state;
        QStringList panes;
    } cases[] = {
        {{false, false, false}, {"", "", ""}},
        {{false, true, false}, {"", "NUM", ""}},
        {{false, false, true}, {"", "", "SCRL"}},
        {{true, true, true}, {"CAP", "NUM", "SCRL"}},
    };
    for (const auto &c : cases) {
        locks.state = c.state;
        emit locks.Changed();
        EXPECT_EQ(LockPanes(frame), c.panes);
    }
    // A change the window did not hear of shows when it is activated.
    locks.state = {};
    frame->show();
    frame->activateWindow();
    QEvent activation(QEvent::ActivationChange);
    if (frame->isActiveWindow())
        QCoreApplication::sendEvent(frame, &activation);
    if (frame->isActiveWindow())
        EXPECT_EQ(LockPanes(frame), (QStringList{"", "", ""}));
    frame->SetKeyboardLocks(nullptr);
}

// The editor's own bar in the dialog: its boxes come back with a reset.
TEST_F(ArticleFrame, CustomisedEditingBarResetsWithItsBoxes)
{
    Open();
    QToolBar *bar = frame->EditingBar();
    CCommandBars *bars = frame->CommandBars();
    const QStringList shipped = bars->Layout(bar->objectName());
    ASSERT_EQ(shipped.mid(0, 3), (QStringList{"c14276", "c14270", "s"}));
    {
        CCustomizeDialog dialog(bars, frame);
        dialog.ChooseBar(bar->objectName());
        dialog.ItemList()->setCurrentRow(0);
        dialog.RemoveSelected();
        dialog.RemoveSelected();
        // The commands come from the editor's menus.
        auto *categories = dialog.findChild<QListWidget *>(QStringLiteral("Categories"));
        EXPECT_EQ(categories->count(), 5);
        categories->setCurrentRow(0);
        dialog.CommandList()->setCurrentRow(0);
        dialog.ItemList()->setCurrentRow(-1);
        dialog.AddSelected();
        EXPECT_EQ(bars->Layout(bar->objectName()).mid(0, 2), (QStringList{"c57603", "s"}));
        EXPECT_FALSE(bar->findChild<QComboBox *>(QStringLiteral("c14276")));
        // A picture for review when OSTREL_SCREENSHOT_DIR names a folder.
        if (const QString folder = qEnvironmentVariable("OSTREL_SCREENSHOT_DIR"); !folder.isEmpty())
            EXPECT_TRUE(dialog.grab().save(QDir(folder).filePath(QStringLiteral("customize-article-editor.png"))));
        dialog.ResetBar();
    }
    EXPECT_EQ(bars->Layout(bar->objectName()), shipped);
    frame->show();
    for (const char *box : {"c14276", "c14270"}) {
        auto *combo = bar->findChild<QComboBox *>(QLatin1String(box));
        ASSERT_TRUE(combo) << box;
        EXPECT_TRUE(combo->isVisible()) << box;
    }
    EXPECT_EQ(bar->findChild<QComboBox *>(QStringLiteral("c14270"))->count(), 7);
}

// What the agent did to the editor's bar comes back in the next editor.
TEST_F(ArticleFrame, CustomisedEditingBarIsKeptForTheNextEditor)
{
    QString stored;
    host.onSend = [&stored](const QUuid &id, IMessage *in, IMessage *) {
        if (id == MSG_SET_SETTING && static_cast<MsgValue *>(in)->name == QLatin1String("Workspace.Editing"))
            stored = static_cast<MsgValue *>(in)->value.toString();
        return 1;
    };
    Open();
    const QString name = frame->EditingBar()->objectName();
    frame->CommandBars()->SetLayout(name, {"c14275", "s", "c57603"});
    frame->CommandBars()->SetBarVisible(name, false);
    ASSERT_FALSE(stored.isEmpty());
    delete frame;

    struct SettingsHost : lumorytest::LumoryHost
    {
        int SendMessage(const QUuid &id, IMessage *in, IMessage *out) override
        {
            if (id == MSG_GET_SETTING && static_cast<MsgValue *>(in)->name == QLatin1String("Workspace.Editing")) {
                static_cast<QVMessage<QVariant> *>(out)->value = value;
                return 1;
            }
            return LumoryHost::SendMessage(id, in, out);
        }
        QString value;
    };
    SettingsHost settings;
    settings.value = stored;
    auto *again = new CLumoryPlugin;
    ASSERT_TRUE(again->Initialize(&settings));
    {
        CKBArticleFrame next(article, again, new FakeSurface);
        EXPECT_EQ(next.CommandBars()->Layout(name), (QStringList{"c14275", "s", "c57603"}));
        EXPECT_TRUE(next.EditingBar()->isHidden());
    }
    again->Release();
}
