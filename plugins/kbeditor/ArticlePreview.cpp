#include "plugins/kbeditor/ArticlePreview.h"

#include "plugins/kbeditor/LumoryStrings.h"
#include "skins/HTMLBuilder.h"

#include <QWebEngineNavigationRequest>
#include <QWebEnginePage>

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
    // The pane's own loads are typed navigations of the main frame; whatever
    // the page itself starts (links, forms, refreshes, frames) stays out.
    connect(View()->page(), &QWebEnginePage::navigationRequested, this, [](QWebEngineNavigationRequest &request) {
        if (request.isMainFrame() && request.navigationType() == QWebEngineNavigationRequest::TypedNavigation)
            request.accept();
        else
            request.reject();
    });
}

void CArticleHtmlPane::ShowHtml(const QString &html)
{
    LoadFromText(html);
}
