#include "plugins/kbeditor/LumoryView.h"

#include "plugins/kbeditor/KBSearchWindow.h"
#include "plugins/kbeditor/Lumory.h"
#include "plugins/kbeditor/LumoryStrings.h"

#include <QApplication>
#include <QTabWidget>
#include <QVBoxLayout>

#include <limits>

using namespace QVPlugin;

namespace {

const char *const kTabIdProperty = "lumoryTabId";
const char *const kArticleIdProperty = "lumoryArticleId";

// A tab label shows "&" as it stands, not as a mnemonic.
QString TabLabel(const QString &text)
{
    QString label = text;
    return label.replace(QLatin1Char('&'), QLatin1String("&&"));
}

} // namespace

CLumoryView::CLumoryView(CLumoryPlugin *plugin, QWidget *parent)
    : QWidget(parent), m_plugin(plugin), m_tabs(new QTabWidget(this)),
      m_paneFactory([](QWidget *parent) -> IArticlePreviewPane * { return new CArticleHtmlPane(parent); })
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_tabs);
    m_tabs->setTabsClosable(true);
    m_tabs->setDocumentMode(true);
    connect(m_tabs, &QTabWidget::tabCloseRequested, this, &CLumoryView::CloseTab);
    connect(plugin, &CLumoryPlugin::articleDeleted, this, &CLumoryView::CloseArticle);
    connect(plugin, &CLumoryPlugin::previewArticle, this, &CLumoryView::ShowArticle);
    connect(plugin, &CLumoryPlugin::articleSaved, this, &CLumoryView::RefreshArticle);
}

std::optional<std::uint16_t> CLumoryView::TabId(int index) const
{
    const QWidget *page = m_tabs->widget(index);
    if (!page)
        return std::nullopt;
    const QVariant id = page->property(kTabIdProperty);
    if (!id.isValid())
        return std::nullopt;
    return std::uint16_t(id.toUInt());
}

bool CLumoryView::HasTabId(std::uint16_t id) const
{
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (TabId(i) == id)
            return true;
    }
    return false;
}

int CLumoryView::FindArticle(const std::string &id) const
{
    for (int i = m_tabs->count() - 1; i >= 0; --i) {
        const QVariant article = m_tabs->widget(i)->property(kArticleIdProperty);
        if (article.isValid() && article.toByteArray().toStdString() == id)
            return i;
    }
    return -1;
}

std::optional<std::string> CLumoryView::ActiveArticleId() const
{
    const QWidget *page = m_tabs->currentWidget();
    const QVariant article = page ? page->property(kArticleIdProperty) : QVariant();
    if (!article.isValid())
        return std::nullopt;
    return article.toByteArray().toStdString();
}

void CLumoryView::ShowSearchTab()
{
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (TabId(i) == kSearchTabId) {
            m_tabs->setCurrentIndex(i);
            return;
        }
    }
    auto *search = new CKBSearchWindow(m_plugin, m_tabs);
    search->setProperty(kTabIdProperty, uint(kSearchTabId));
    m_tabs->setCurrentIndex(m_tabs->addTab(search, LumoryString(14013)));
}

void CLumoryView::ShowArticle(const KBArticle &article)
{
    if (const int existing = FindArticle(article.id); existing >= 0) {
        m_tabs->setCurrentIndex(existing);
        return;
    }
    // Every id but 0 may be in use only in theory; stop after one full turn.
    std::uint16_t id = m_nextTabId;
    int tries = std::numeric_limits<std::uint16_t>::max() + 1;
    while ((id == kSearchTabId || HasTabId(id)) && --tries > 0)
        ++id;
    if (tries == 0)
        return;
    m_nextTabId = std::uint16_t(id + 1);

    IArticlePreviewPane *pane = m_paneFactory ? m_paneFactory(m_tabs) : nullptr;
    if (!pane)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QWidget *page = pane->Widget();
    page->setProperty(kTabIdProperty, uint(id));
    page->setProperty(kArticleIdProperty, QByteArray::fromStdString(article.id));
    m_tabs->setCurrentIndex(m_tabs->addTab(page, TabLabel(Utf8ToWide(article.title))));
    pane->ShowHtml(BuildArticlePreviewHtml(article, m_plugin->GetCategoryTitle(article.categoryId)));
    QApplication::restoreOverrideCursor();
}

void CLumoryView::RefreshArticle(const KBArticle &article)
{
    const int index = FindArticle(article.id);
    auto *pane = index >= 0 ? dynamic_cast<IArticlePreviewPane *>(m_tabs->widget(index)) : nullptr;
    if (!pane)
        return;
    m_tabs->setTabText(index, TabLabel(Utf8ToWide(article.title)));
    pane->ShowHtml(BuildArticlePreviewHtml(article, m_plugin->GetCategoryTitle(article.categoryId)));
}

void CLumoryView::CloseArticle(const std::string &id)
{
    if (const int index = FindArticle(id); index >= 0)
        CloseTab(index);
}

void CLumoryView::CloseTab(int index)
{
    QWidget *page = m_tabs->widget(index);
    if (!page)
        return;
    m_tabs->removeTab(index);
    page->deleteLater();
}

bool CLumoryView::OnCmdMsg(unsigned id, int code, CommandUpdate *update, CommandHandlerInfo *info)
{
    const bool needsArticle = id == LumoryCommand::EditArticle || id == LumoryCommand::DeleteArticle;
    if (!needsArticle && id != LumoryCommand::Search && id != LumoryCommand::NewArticle)
        return false;
    const std::optional<std::string> article = ActiveArticleId();
    if (code == CommandUpdateUi || (update && info)) {
        if (update && needsArticle && !article)
            update->Enable(false);
        if (info)
            info->target = this;
        return true;
    }
    if (code != CommandExecute)
        return false;
    switch (id) {
    case LumoryCommand::Search:
        ShowSearchTab();
        break;
    case LumoryCommand::NewArticle:
        m_plugin->NewArticle();
        break;
    case LumoryCommand::EditArticle:
        if (article)
            m_plugin->RequestArticleEdit(*article);
        break;
    case LumoryCommand::DeleteArticle:
        if (article)
            m_plugin->DeleteArticle(window(), *article);
        break;
    }
    return true;
}
