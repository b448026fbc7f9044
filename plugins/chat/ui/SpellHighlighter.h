#pragma once
// Underlines the misspelled words of a document with the spelling squiggle.
// The underline lives only in the layout, never in the document's character
// formats, so it never reaches the RTF or the clipboard. The word that the
// caret touches while it is being typed is left alone. User-interface
// thread only.

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include <functional>

class CSpellChecker;

class CSpellHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT
public:
    // typingCaret: the document position of the caret while a word is being
    // typed there, -1 otherwise.
    CSpellHighlighter(CSpellChecker &checker, std::function<int()> typingCaret, QTextDocument *document);

    CSpellChecker &Checker() const { return *m_checker; }
    void SetChecker(CSpellChecker &checker);

protected:
    void highlightBlock(const QString &text) override;

private:
    CSpellChecker *m_checker;
    std::function<int()> m_typingCaret;
    QTextCharFormat m_misspelled;
};
