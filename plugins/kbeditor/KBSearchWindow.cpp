#include "plugins/kbeditor/KBSearchWindow.h"

#include "plugins/kbeditor/KBArticleList.h"
#include "plugins/kbeditor/Lumory.h"
#include "plugins/kbeditor/LumoryStrings.h"
#include "shared/DialogResizer.h"
#include "skins/QVButton.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <functional>

using namespace QVPlugin;

namespace {

constexpr int kSpacing = 2;
constexpr int kButtonRoom = 70;

// Refills an editable choice. The agent's typed text stays, whether or not
// an item begins with it (the lists come again every few minutes); an item
// that begins with it is selected.
void Refill(QComboBox *box, const std::function<void()> &fill)
{
    const QString typed = box->currentText();
    QLineEdit *edit = box->lineEdit();
    const int cursor = edit->cursorPosition();
    const int selectionStart = edit->selectionStart();
    const int selectionLength = edit->selectionLength();

    const QSignalBlocker blocker(box);
    box->clear();
    fill();
    box->setCurrentIndex(typed.isEmpty() ? -1 : box->findText(typed, Qt::MatchStartsWith));
    box->setEditText(typed);
    if (selectionStart >= 0)
        edit->setSelection(selectionStart, selectionLength);
    else
        edit->setCursorPosition(cursor);
}

// An editable box keeps its current item while the agent edits the text, so
// the text decides: the current item while it begins with the text, else the
// first item that does (the rule of Refill); none for an empty text or one
// no item begins with.
int SelectedItem(const QComboBox *box)
{
    const QString text = box->currentText();
    if (text.isEmpty())
        return -1;
    const int current = box->currentIndex();
    if (current >= 0 && box->itemText(current).startsWith(text, Qt::CaseInsensitive))
        return current;
    return box->findText(text, Qt::MatchStartsWith);
}

QComboBox *MakeChoice(QWidget *parent, int id)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("c%1").arg(id));
    box->setEditable(true);
    // Typed text is a filter, never a new item.
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setCurrentIndex(-1);
    return box;
}

} // namespace

CKBSearchWindow::CKBSearchWindow(CLumoryPlugin *plugin, QWidget *parent)
    : QWidget(parent), m_plugin(plugin), m_category(MakeChoice(this, CategoryCombo)),
      m_status(MakeChoice(this, StatusCombo)), m_text(new QLineEdit(this)), m_search(new CQVButton(true, this)),
      m_list(new CKBArticleList(plugin, this)), m_resizer(new CDialogResizer(this))
{
    m_text->setObjectName(QStringLiteral("c%1").arg(SearchEdit));
    m_search->setObjectName(QStringLiteral("c%1").arg(SearchButton));
    m_search->setText(LumoryString(14010));
    m_list->setObjectName(QStringLiteral("c%1").arg(ResultList));

    // A stack 100 pixels wide that the resizer widens with the window.
    QRect rect(0, 0, 100, 20);
    const auto place = [&rect](QWidget *w, int width) {
        rect.setHeight(qMax(20, w->sizeHint().height()));
        w->setGeometry(rect.x(), rect.y(), width, rect.height());
    };
    const auto next = [&rect] { rect.translate(0, rect.height() + kSpacing); };
    for (auto [box, text] : {std::pair{m_category, 14009u}, std::pair{m_status, 14014u}}) {
        auto *label = new QLabel(LumoryString(text), this);
        label->setBuddy(box);
        place(label, rect.width());
        next();
        place(box, rect.width());
        next();
    }
    place(m_text, rect.width() - kButtonRoom);
    m_search->setGeometry(m_text->geometry().right() + 1 + kSpacing, rect.y(),
                          kButtonRoom - kSpacing, rect.height());
    next();
    m_list->setGeometry(rect);
    resize(100, rect.bottom() + 1);

    setTabOrder(m_category, m_status);
    setTabOrder(m_status, m_text);
    setTabOrder(m_text, m_search);
    setTabOrder(m_search, m_list);

    using R = CDialogResizer;
    m_resizer->Attach(this, 0,
                      {{SearchButton, R::MoveRight | R::StayVertically},
                       {CategoryCombo, R::Widen | R::StayVertically},
                       {StatusCombo, R::Widen | R::StayVertically},
                       {SearchEdit, R::Widen | R::StayVertically},
                       {ResultList, R::Widen | R::GrowDown}});

    connect(m_search, &QPushButton::clicked, this, &CKBSearchWindow::Search);
    connect(m_text, &QLineEdit::returnPressed, this, &CKBSearchWindow::Search);
    connect(plugin, &CLumoryPlugin::categoriesChanged, this, &CKBSearchWindow::OnCategories);
    connect(plugin, &CLumoryPlugin::statusesChanged, this, &CKBSearchWindow::OnStatuses);
    connect(plugin, &CLumoryPlugin::searchResults, this, &CKBSearchWindow::OnResults);
    plugin->RefreshAndHandOutLists();
}

KBSearchParams CKBSearchWindow::SearchParams() const
{
    KBSearchParams params;
    const int selected = SelectedItem(m_category);
    params.categoryId = selected >= 0 ? m_category->itemData(selected).toInt() : 0;
    params.status = WideToUtf8(m_status->currentText());
    params.keywords = WideToUtf8(m_text->text());
    params.searchText = true;
    return params;
}

void CKBSearchWindow::Search()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const KBSearchParams params = SearchParams();
    m_list->Clear();
    // The service fills nothing here: its answer comes as searchResults.
    std::vector<KBArticle> sink;
    m_plugin->RequestSearch(params, &sink, this);
    QApplication::restoreOverrideCursor();
}

void CKBSearchWindow::OnCategories(const std::vector<KBCategory> &categories)
{
    Refill(m_category, [&] {
        for (const KBCategory &category : categories)
            m_category->addItem(Utf8ToWide(category.title), category.id);
    });
}

void CKBSearchWindow::OnStatuses(const std::vector<KBStatus> &statuses)
{
    Refill(m_status, [&] {
        for (const KBStatus &status : statuses)
            m_status->addItem(Utf8ToWide(status.status));
    });
}

void CKBSearchWindow::OnResults(const std::vector<KBArticle> &articles, QObject *target)
{
    if (target != this)
        return;
    m_list->Clear();
    for (const KBArticle &article : articles)
        m_list->AddArticle(article);
}
