#pragma once
// The article preview page and the pane that shows it. Title, category,
// keywords and id are escaped into our own page template; the article body
// is HTML and goes in as it is, so the pane runs no script and follows no
// link. User-interface thread only.

#include "bus/KBPayloads.h"
#include "shared/html/QVHtmlViewPane.h"

#include <QString>

#include <functional>

// The page of one article; categoryTitle is empty when the category is unknown.
QString BuildArticlePreviewHtml(const QVPlugin::KBArticle &article, const QString &categoryTitle);

// A read-only page in a preview tab.
class IArticlePreviewPane
{
public:
    virtual ~IArticlePreviewPane() = default;
    // The pane's widget; whoever holds the tab owns it.
    virtual QWidget *Widget() = 0;
    virtual void ShowHtml(const QString &html) = 0;
};

// Makes a pane as a child of parent; null when none can be made.
using PreviewPaneFactory = std::function<IArticlePreviewPane *(QWidget *parent)>;

// The pane on the web view: page scripts are off, and the only navigation it
// follows is the loading of its own page (no links, forms, refreshes or
// frames).
class CArticleHtmlPane : public CQVHtmlViewPane, public IArticlePreviewPane
{
    Q_OBJECT
public:
    explicit CArticleHtmlPane(QWidget *parent = nullptr);

    QWidget *Widget() override { return this; }
    void ShowHtml(const QString &html) override;
};
