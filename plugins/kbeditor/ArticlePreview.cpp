#include "plugins/kbeditor/ArticlePreview.h"

#include "plugins/kbeditor/LumoryStrings.h"
#include "skins/HTMLBuilder.h"

QString BuildArticlePreviewHtml(const QVPlugin::KBArticle &article, const QString &categoryTitle)
{
    CHTMLBuilder page(QStringLiteral(":/lumory/html/preview.html"));
    page.ReplaceEscaped("%TITLE%", Utf8ToWide(article.title));
    page.Replace("%CONTENT%", QByteArray::fromStdString(article.content));
    page.ReplaceEscaped("%CATEGORY%", categoryTitle);
    page.ReplaceEscaped("%KEYWORDS%", Utf8ToWide(article.keywords));
    page.ReplaceEscaped("%ARTICLE_NUMBER%", Utf8ToWide(article.id));
    return page.GetHTML();
}

CTextPreviewPane::CTextPreviewPane(QWidget *parent) : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setUndoRedoEnabled(false);
}

void CTextPreviewPane::ShowHtml(const QString &html)
{
    setHtml(html);
}

QVariant CTextPreviewPane::loadResource(int, const QUrl &)
{
    // Pictures and style sheets the body names stay out: no files, no network.
    return QVariant();
}
