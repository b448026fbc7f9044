#include "plugins/kbeditor/KBArticleDocument.h"

#include "plugins/kbeditor/Lumory.h"
#include "plugins/kbeditor/LumoryStrings.h"

using namespace QVPlugin;

CKBArticleDocument::CKBArticleDocument(const KBArticle &article, CLumoryPlugin *plugin)
    : m_saved(article), m_working(article), m_plugin(plugin)
{
}

bool CKBArticleDocument::Pull()
{
    return !m_puller || m_puller(*this);
}

void CKBArticleDocument::NoteShown(const std::string &given, const std::string &shown)
{
    if (given == m_saved.content)
        m_savedShown = shown;
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
    if (!Pull())
        return true;
    if (m_savedShown && m_working.content == *m_savedShown && m_working.content != m_saved.content) {
        KBArticle saved = m_saved;
        saved.content = *m_savedShown;
        return !SameContent(saved, m_working);
    }
    return !SameContent(m_saved, m_working);
}

bool CKBArticleDocument::Save()
{
    if (!Pull() || !m_plugin || m_plugin->SaveArticle(m_working) <= 0)
        return false;
    m_saved = m_working;
    m_savedShown.reset();
    return true;
}
