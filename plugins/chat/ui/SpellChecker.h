#pragma once
// Spelling of the agent's typed text with Hunspell and an installed
// dictionary (Debian's en_US unless told otherwise). Words with digits,
// URLs, e-mail addresses and emoticon codes are never checked. A missing or
// unreadable dictionary turns checking off: every word then passes and
// nothing is suggested. One shared checker serves the whole process. The
// dictionary (several MB, a good part of a second to read) is read when a
// word is first checked, or at Prepare(); ReadAhead() reads it on a thread
// of its own meanwhile, so that neither start-up nor the agent's first
// keystroke waits for it.
// Hunspell is not thread-safe: user-interface thread only (the read-ahead
// thread only builds the dictionary and hands it over).

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <future>
#include <memory>

class Hunspell;

class CSpellChecker
{
public:
    // Where Debian puts its American English dictionary ("<base>.aff",
    // "<base>.dic").
    static constexpr const char *kDefaultDictionary = "/usr/share/hunspell/en_US";

    // Checks against "<base>.aff" and "<base>.dic".
    explicit CSpellChecker(const QString &dictionaryBase);
    ~CSpellChecker();
    CSpellChecker(const CSpellChecker &) = delete;
    CSpellChecker &operator=(const CSpellChecker &) = delete;

    // The process's checker with the default dictionary, made on first use.
    static CSpellChecker &Shared();

    bool IsEnabled() const { return Dictionary() != nullptr; }
    // Reads the dictionary now, when a word is about to be checked.
    void Prepare() const { Dictionary(); }
    // Starts reading the dictionary on a thread of its own; the first check
    // takes it over, waiting for the rest of the read if need be.
    void ReadAhead();

    // A word of a text: where it starts and how long it is.
    struct Word
    {
        int start = 0;
        int length = 0;
    };
    // The words of text worth checking, in order.
    static QList<Word> Words(QStringView text);
    // The words of text that the dictionary does not know.
    QList<Word> Misspelled(QStringView text) const;

    bool IsCorrect(const QString &word) const;
    // The dictionary's suggestions for a word, best first.
    QStringList Suggest(const QString &word) const;

private:
    // The dictionary, read on first use; null when it cannot be read.
    Hunspell *Dictionary() const;
    QByteArray Encode(const QString &word) const;
    QString Decode(const std::string &word) const;

    QString m_base;
    mutable std::unique_ptr<Hunspell> m_hunspell;
    // The read-ahead's dictionary; joined by the first use or the destructor.
    mutable std::future<std::unique_ptr<Hunspell>> m_reading;
    mutable bool m_read = false;
    mutable bool m_utf8 = true;
};
