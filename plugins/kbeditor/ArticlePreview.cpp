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

CArticleHtmlPane::CArticleHtmlPane(QWidget *parent) : CQVHtmlViewPane(parent)
{
    SetJavaScriptEnabled(false);
    SetPageNavigation(false);
}

void CArticleHtmlPane::ShowHtml(const QString &html)
{
    LoadFromText(html);
}
