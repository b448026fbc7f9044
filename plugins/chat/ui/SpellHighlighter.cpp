#include "plugins/chat/ui/SpellHighlighter.h"

#include "plugins/chat/ui/SpellChecker.h"

#include <QTextBlock>

CSpellHighlighter::CSpellHighlighter(CSpellChecker &checker, std::function<int()> typingCaret,
                                     QTextDocument *document)
    : QSyntaxHighlighter(document), m_checker(&checker), m_typingCaret(std::move(typingCaret))
{
    m_misspelled.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    m_misspelled.setUnderlineColor(Qt::red);
}

void CSpellHighlighter::SetChecker(CSpellChecker &checker)
{
    m_checker = &checker;
    rehighlight();
}

void CSpellHighlighter::highlightBlock(const QString &text)
{
    const int caret = m_typingCaret() - currentBlock().position();
    for (const CSpellChecker::Word &word : m_checker->Misspelled(text)) {
        if (caret >= word.start && caret <= word.start + word.length)
            continue;
        setFormat(word.start, word.length, m_misspelled);
    }
}
