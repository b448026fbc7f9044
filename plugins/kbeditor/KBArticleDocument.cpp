#include "plugins/kbeditor/KBArticleDocument.h"

#include "plugins/kbeditor/Lumory.h"
#include "plugins/kbeditor/LumoryStrings.h"

using namespace QVPlugin;

CKBArticleDocument::CKBArticleDocument(const KBArticle &article, CLumoryPlugin *plugin)
    : m_saved(article), m_working(article), m_plugin(plugin)
{
}

void CKBArticleDocument::Pull()
{
    if (m_puller)
        m_puller(*this);
}

void CKBArticleDocument::SetTitle(const QString &title)
{
    m_working.title = WideToUtf8(title);
}

QString CKBArticleDocument::Title() const
{
    const QString title = Utf8ToWide(m_working.title);
    if (m_working.id.empty())
        return title;
    return Utf8ToWide(m_working.id) + QStringLiteral(" - ") + title;
}

bool CKBArticleDocument::SameContent(const KBArticle &a, const KBArticle &b)
{
    return a.categoryId == b.categoryId && a.title == b.title && a.status == b.status && a.keywords == b.keywords
        && a.content == b.content;
}

bool CKBArticleDocument::IsModified()
{
    Pull();
    return !SameContent(m_saved, m_working);
}

bool CKBArticleDocument::Save()
{
    Pull();
    if (!m_plugin || m_plugin->SaveArticle(m_working) <= 0)
        return false;
    m_saved = m_working;
    return true;
}
