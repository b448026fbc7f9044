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
    page.Replace("%TITLE%", QStringLiteral("Grüße — 日本 %CONTENT%"))
        .Replace("%CONTENT%", QStringLiteral("<p>body</p>"))
        .Replace("%MISSING%", QStringLiteral("x"))
        .Replace("", QStringLiteral("y"));
    const QString html = page.GetHTML();
    EXPECT_EQ(html.count(QStringLiteral("<title>Grüße — 日本 %CONTENT%</title>")), 1) << html.toStdString();
    EXPECT_EQ(html.count(QStringLiteral("<h1>Grüße — 日本 %CONTENT%</h1>")), 1);
    EXPECT_TRUE(html.contains("<div><p>body</p></div>")) << "markup goes in unescaped";
}

TEST(HTMLBuilder, EscapedAndRawValues)
{
    CHTMLBuilder page(kPage);
    page.ReplaceEscaped("%TITLE%", QStringLiteral("<b>\"Tom\" & Jerry</b> ü"))
        .Replace("%CONTENT%", QByteArray("caf\xc3\xa9"));
    const QString html = page.GetHTML();
    EXPECT_TRUE(html.contains(QStringLiteral("<h1>&lt;b&gt;&quot;Tom&quot; &amp; Jerry&lt;/b&gt; ü</h1>")))
        << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("<div>café</div>")));
    EXPECT_EQ(CHTMLBuilder::ToHTML(QStringLiteral("é€")), QByteArray("\xc3\xa9\xe2\x82\xac"));
}

TEST(HTMLBuilder, MissingResourceIsEmpty)
{
    CHTMLBuilder page(QStringLiteral(":/skintest/none.html"));
    page.Replace("%TITLE%", QStringLiteral("t"));
    EXPECT_EQ(page.GetHTML(), QString());
    EXPECT_EQ(CHTMLBuilder().GetHTML(), QString());
}

} // namespace
