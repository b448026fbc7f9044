// Spell checking of the chat input with Debian's en_US dictionary.

#include "plugins/chat/ui/InputRichEditCtrl.h"
#include "plugins/chat/ui/SpellChecker.h"
#include "tests/TestUtil.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The underlined stretches of the input's first block, as text.
QStringList Underlined(CInputRichEditCtrl &input)
{
    QStringList words;
    const QTextBlock block = input.document()->firstBlock();
    for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
        if (range.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline)
            words.append(block.text().mid(range.start, range.length));
    }
    return words;
}

QStringList Words(const CSpellChecker &checker, const QString &text, bool misspelledOnly)
{
    QStringList words;
    for (const CSpellChecker::Word &w : misspelledOnly ? checker.Misspelled(text) : CSpellChecker::Words(text))
        words.append(text.mid(w.start, w.length));
    return words;
}

// Where the caret would be at position, in the input's coordinates.
QPoint At(CInputRichEditCtrl &input, int position)
{
    QTextCursor cursor(input.document());
    cursor.setPosition(position);
    return input.viewport()->mapTo(&input, input.cursorRect(cursor).center());
}

struct Input
{
    Input()
    {
        input->setGeometry(0, 0, 400, 100);
        window.show(); // lays the text out, so positions mean something
    }
    QWidget window;
    CInputRichEditCtrl *input = new CInputRichEditCtrl(&window);
};

} // namespace

TEST(Spelling, FlagsAndSuggestsWithTheInstalledDictionary)
{
    // Read ahead, as after sign-in: the first check takes the read over.
    CSpellChecker checker(QString::fromLatin1(CSpellChecker::kDefaultDictionary));
    checker.ReadAhead();
    ASSERT_TRUE(checker.IsEnabled()) << "hunspell-en-us is not installed";
    EXPECT_FALSE(checker.IsCorrect("teh"));
    EXPECT_TRUE(checker.Suggest("teh").contains("the"));

    struct Case { const char *text; QStringList checked; QStringList misspelled; };
    const Case cases[] = {
        {"teh cat", {"teh", "cat"}, {"teh"}},
        {"abc123 4th x9yqz", {}, {}},
        {"see http://tehh.com/qzx www.qqzx.com a@qqzx.com mailto:qqzx", {"see"}, {}},
        {":-s x-c :O ;)", {}, {}},
        {"'quoted' don't, well-known!", {"quoted", "don't", "well", "known"}, {}},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Words(checker, c.text, false), c.checked) << c.text;
        EXPECT_EQ(Words(checker, c.text, true), c.misspelled) << c.text;
    }
}

TEST(Spelling, AMissingDictionaryTurnsCheckingOff)
{
    CSpellChecker missing(QStringLiteral("/nonexistent/en_US"));
    missing.ReadAhead();
    EXPECT_FALSE(missing.IsEnabled());
    EXPECT_TRUE(missing.IsCorrect("teh"));
    EXPECT_TRUE(missing.Suggest("teh").isEmpty());

    Input in;
    in.input->SetSpellChecker(missing);
    QTest::keyClicks(in.input, "teh cat ");
    EXPECT_EQ(in.input->toPlainText(), "teh cat ");
    EXPECT_TRUE(Underlined(*in.input).isEmpty());
    QMenu menu;
    EXPECT_EQ(in.input->AddSpellingSuggestions(menu, At(*in.input, 1)), 0);
}

TEST(Spelling, TheWordBeingTypedIsLeftAloneAndTheRtfHasNoUnderline)
{
    Input in;
    QTest::keyClicks(in.input, "qzx teh");
    EXPECT_EQ(Underlined(*in.input), QStringList{"qzx"});
    QTest::keyClick(in.input, Qt::Key_Home); // moving the caret ends the typing
    EXPECT_EQ(Underlined(*in.input), (QStringList{"qzx", "teh"}));
    QTest::keyClick(in.input, Qt::Key_End);
    QTest::keyClick(in.input, Qt::Key_Backspace); // still typing "te"
    EXPECT_EQ(Underlined(*in.input), QStringList{"qzx"});
    QTest::keyClicks(in.input, "h now");
    EXPECT_EQ(Underlined(*in.input), (QStringList{"qzx", "teh"}));

    QByteArray rtf;
    in.input->GetRtf(rtf);
    EXPECT_TRUE(rtf.contains("qzx teh now"));
    EXPECT_FALSE(rtf.contains("\\ul")) << rtf.constData();
}

// The chat window's part: its quick-text menu, with the input's suggestions
// in front when the menu opens over a misspelled word.
class MenuHost : public QWidget
{
public:
    CInputRichEditCtrl *input = new CInputRichEditCtrl(this);
    std::unique_ptr<QMenu> menu;
    int added = -1;

protected:
    void contextMenuEvent(QContextMenuEvent *event) override
    {
        menu = std::make_unique<QMenu>();
        menu->addMenu(QStringLiteral("&Quick Text"));
        added = input->AddSpellingSuggestions(*menu, input->mapFrom(this, event->pos()));
    }
};

TEST(Spelling, SuggestionsComeBeforeTheQuickTextMenu)
{
    MenuHost host;
    host.input->setGeometry(5, 5, 400, 100);
    host.show();
    QTest::keyClicks(host.input, "so teh end");
    auto openAt = [&](int position) {
        QTextCursor cursor(host.input->document());
        cursor.setPosition(position);
        const QPoint pos = host.input->cursorRect(cursor).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, host.input->viewport()->mapToGlobal(pos));
        QCoreApplication::sendEvent(host.input->viewport(), &event);
        return waitUntil([&] { return host.menu != nullptr; });
    };

    ASSERT_TRUE(openAt(1));
    EXPECT_EQ(host.added, 0);
    EXPECT_EQ(host.menu->actions().size(), 1);

    host.menu.reset();
    ASSERT_TRUE(openAt(4));
    ASSERT_GT(host.added, 0);
    const QList<QAction *> actions = host.menu->actions();
    ASSERT_EQ(actions.size(), host.added + 2);
    EXPECT_TRUE(actions[host.added]->isSeparator());
    EXPECT_EQ(actions.back()->text(), "&Quick Text");
    QAction *the = nullptr;
    for (QAction *a : actions.mid(0, host.added))
        the = a->text() == "the" ? a : the;
    ASSERT_NE(the, nullptr);
    the->trigger();
    EXPECT_EQ(host.input->toPlainText(), "so the end");
}
