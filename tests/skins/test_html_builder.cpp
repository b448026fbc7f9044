#include "SkinTestUtil.h"

#include "skins/HTMLBuilder.h"

#include <QUrl>

using namespace skintest;

namespace {

const QString kPage = QStringLiteral(":/skintest/page.html");

TEST(HTMLBuilder, CssPathOfTheCurrentSkinEverywhere)
{
    ASSERT_TRUE(CQVSkinManager::GetCurrentSkin().isEmpty());
    QString html = CHTMLBuilder(kPage).GetHTML();
    EXPECT_TRUE(html.contains("href=\"\"")) << "no skin yet: " << html.toStdString();

    QTemporaryDir dir;
    ASSERT_TRUE(CQVSkinManager::Load(stageTestSkins(dir)));
    ASSERT_TRUE(CQVSkinManager::SetCurrentSkin("alpha"));
    html = CHTMLBuilder(kPage).GetHTML();
    EXPECT_EQ(html.count(QUrl::fromLocalFile(dir.filePath("alpha.css")).toString()), 2) << html.toStdString();
    EXPECT_FALSE(html.contains("%%CssPath%%"));
}

TEST(HTMLBuilder, ReplacesInTemplateTextOnly)
{
    CHTMLBuilder page(kPage);
    page.ReplaceEscaped("%TITLE%", QStringLiteral("<b>\"Tom\" & Jerry</b> Grüße — 日本 %CONTENT%"))
        .Replace("%CONTENT%", QByteArray("<p>caf\xc3\xa9</p>"))
        .Replace("%MISSING%", QStringLiteral("x"))
        .Replace("", QStringLiteral("y"));
    const QString html = page.GetHTML();
    const QString title = QStringLiteral("&lt;b&gt;&quot;Tom&quot; &amp; Jerry&lt;/b&gt; Grüße — 日本 %CONTENT%");
    EXPECT_EQ(html.count("<title>" + title + "</title>"), 1) << html.toStdString();
    EXPECT_EQ(html.count("<h1>" + title + "</h1>"), 1);
    EXPECT_TRUE(html.contains(QStringLiteral("<div><p>café</p></div>"))) << "raw values go in unescaped";
}

TEST(HTMLBuilder, MissingResourceIsEmpty)
{
    CHTMLBuilder page(QStringLiteral(":/skintest/none.html"));
    page.Replace("%TITLE%", QStringLiteral("t"));
    EXPECT_EQ(page.GetHTML(), QString());
    EXPECT_EQ(CHTMLBuilder().GetHTML(), QString());
}

} // namespace
