#include "plugins/kbeditor/KBArticleBar.h"

#include "plugins/kbeditor/EditDialogs.h"
#include "plugins/kbeditor/Lumory.h"
#include "plugins/kbeditor/LumoryStrings.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

using namespace QVPlugin;

namespace {

QComboBox *List(QWidget *parent, const char *name)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setMinimumContentsLength(16);
    return box;
}

QPushButton *SmallButton(QWidget *parent, const QString &text, const char *name)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("MM")) + 8);
    return button;
}

QLabel *Label(const QString &text, QWidget *buddy)
{
    auto *label = new QLabel(text, buddy->parentWidget());
    label->setBuddy(buddy);
    return label;
}

// A refill sorts, and a non-editable box selects its first item by itself:
// the selection is always set afterwards.
void Sort(QComboBox *box)
{
    box->model()->sort(0);
}

} // namespace

CKBArticleBar::CKBArticleBar(QWidget *parent)
    : QWidget(parent), m_status(List(this, "c1046")), m_category(List(this, "c1043")),
      m_title(new QLineEdit(this)), m_keywords(new QLineEdit(this))
{
    setObjectName(QStringLiteral("c14001"));
    m_title->setObjectName(QStringLiteral("c1045"));
    m_keywords->setObjectName(QStringLiteral("c1044"));
    auto *addStatus = SmallButton(this, QStringLiteral("+"), "c1047");
    m_deleteStatus = SmallButton(this, QStringLiteral("x"), "c1048");
    auto *addCategory = SmallButton(this, QStringLiteral("+"), "c1049");
    m_deleteCategory = SmallButton(this, QStringLiteral("x"), "c1050");

    auto *grid = new QGridLayout(this);
    grid->addWidget(Label(tr("&Status:"), m_status), 0, 0);
    grid->addWidget(m_status, 0, 1);
    grid->addWidget(addStatus, 0, 2);
    grid->addWidget(m_deleteStatus, 0, 3);
    grid->addWidget(Label(tr("&Category:"), m_category), 0, 4);
    grid->addWidget(m_category, 0, 5);
    grid->addWidget(addCategory, 0, 6);
    grid->addWidget(m_deleteCategory, 0, 7);
    grid->addWidget(Label(tr("&Title:"), m_title), 1, 0);
    grid->addWidget(m_title, 1, 1, 1, 3);
    grid->addWidget(Label(tr("&Keywords:"), m_keywords), 1, 4);
    grid->addWidget(m_keywords, 1, 5, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(5, 1);
    setTabOrder(m_title, m_keywords);

    connect(addStatus, &QPushButton::clicked, this, &CKBArticleBar::AddStatus);
    connect(m_deleteStatus, &QPushButton::clicked, this, &CKBArticleBar::DeleteStatus);
    connect(addCategory, &QPushButton::clicked, this, &CKBArticleBar::AddCategory);
    connect(m_deleteCategory, &QPushButton::clicked, this, &CKBArticleBar::DeleteCategory);
    connect(m_status, &QComboBox::currentIndexChanged, this, &CKBArticleBar::UpdateButtons);
    connect(m_category, &QComboBox::currentIndexChanged, this, &CKBArticleBar::UpdateButtons);
    UpdateButtons();
}

void CKBArticleBar::SetPlugin(CLumoryPlugin *plugin)
{
    m_plugin = plugin;
    connect(plugin, &CLumoryPlugin::categoriesChanged, this, &CKBArticleBar::OnCategories);
    connect(plugin, &CLumoryPlugin::statusesChanged, this, &CKBArticleBar::OnStatuses);
    UpdateButtons();
}

void CKBArticleBar::FillFrom(const KBArticle &article)
{
    m_title->setText(Utf8ToWide(article.title));
    m_keywords->setText(Utf8ToWide(article.keywords));
    const QString status = Utf8ToWide(article.status);
    m_wantedStatus.reset();
    m_wantedCategory.reset();
    m_hasStatus = !status.isEmpty();
    if (m_status->count() == 0)
        m_wantedStatus = status;
    if (m_category->count() == 0)
        m_wantedCategory = article.categoryId;
    // Exact names only: "Draft" must never pick "Drafts".
    m_status->setCurrentIndex(m_status->findText(status, Qt::MatchFixedString));
    const int category = m_category->findData(article.categoryId);
    if (category >= 0)
        m_category->setCurrentIndex(category);
    UpdateButtons();
}

void CKBArticleBar::PullInto(KBArticle &article) const
{
    // The list matched the name with case ignored; that alone is no change.
    const QString status = m_status->currentText();
    if (m_status->currentIndex() >= 0 && status.compare(Utf8ToWide(article.status), Qt::CaseInsensitive) != 0)
        article.status = WideToUtf8(status);
    article.keywords = WideToUtf8(m_keywords->text());
    if (m_category->currentIndex() >= 0)
        article.categoryId = m_category->currentData().toInt();
}

void CKBArticleBar::OnCategories(const std::vector<KBCategory> &categories)
{
    const std::optional<int> chosen = m_wantedCategory ? m_wantedCategory
                                      : m_category->currentIndex() >= 0 ? std::optional(m_category->currentData().toInt())
                                                                        : std::nullopt;
    if (!categories.empty())
        m_wantedCategory.reset();
    {
        const QSignalBlocker block(m_category);
        m_category->clear();
        for (const KBCategory &category : categories)
            m_category->addItem(Utf8ToWide(category.title), category.id);
        Sort(m_category);
        m_category->setCurrentIndex(chosen ? m_category->findData(*chosen) : -1);
    }
    UpdateButtons();
}

void CKBArticleBar::OnStatuses(const std::vector<KBStatus> &statuses)
{
    const std::optional<QString> chosen = m_wantedStatus ? m_wantedStatus
                                          : m_status->currentIndex() >= 0 ? std::optional(m_status->currentText())
                                                                          : std::nullopt;
    if (!statuses.empty())
        m_wantedStatus.reset();
    {
        const QSignalBlocker block(m_status);
        m_status->clear();
        for (const KBStatus &status : statuses)
            m_status->addItem(Utf8ToWide(status.status));
        Sort(m_status);
        // The only status is taken for an article that has none yet; one
        // whose status has gone waits for the agent's choice.
        m_status->setCurrentIndex(chosen && !chosen->isEmpty()      ? m_status->findText(*chosen, Qt::MatchFixedString)
                                  : m_status->count() == 1 && !m_hasStatus ? 0
                                                                          : -1);
    }
    UpdateButtons();
}

void CKBArticleBar::UpdateButtons()
{
    m_deleteStatus->setEnabled(m_plugin && m_status->currentIndex() >= 0);
    m_deleteCategory->setEnabled(m_plugin && m_category->currentIndex() >= 0);
}

// The lists change when the service's next lists arrive.
void CKBArticleBar::AddStatus()
{
    CStatusEditDlg(m_plugin, this).exec();
}

void CKBArticleBar::DeleteStatus()
{
    if (m_plugin && m_status->currentIndex() >= 0)
        m_plugin->DeleteStatus(WideToUtf8(m_status->currentText()), this);
}

void CKBArticleBar::AddCategory()
{
    CCategoryEditDlg(m_plugin, this).exec();
}

void CKBArticleBar::DeleteCategory()
{
    if (m_plugin && m_category->currentIndex() >= 0)
        m_plugin->DeleteCategory(m_category->currentData().toInt(), WideToUtf8(m_category->currentText()), this);
}
