#include "plugins/chat/ui/SpellChecker.h"

#include "plugins/chat/ChatLog.h"
#include "plugins/chat/session/EmoticonCodes.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <hunspell.hxx>

namespace {

bool IsApostrophe(QChar c)
{
    return c == QLatin1Char('\'') || c == QChar(0x2019);
}

bool IsWordChar(QChar c)
{
    return c.isLetterOrNumber() || c.isMark() || IsApostrophe(c);
}

// Addresses and pictures are not prose: "http://...", "www.x.org",
// "a@b.org", "mailto:a", ":-s".
bool IsSkipped(QStringView chunk)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:\\S"));
    return EmoticonIndex(chunk) >= 0 || chunk.contains(u"://") || chunk.contains(u'@')
        || chunk.startsWith(u"www.", Qt::CaseInsensitive) || scheme.match(chunk).hasMatch();
}

// Null when either file cannot be read: Hunspell itself neither fails nor
// tells when a file is missing.
std::unique_ptr<Hunspell> ReadDictionary(const QString &base)
{
    const QString aff = base + QLatin1String(".aff");
    const QString dic = base + QLatin1String(".dic");
    if (!QFileInfo(aff).isReadable() || !QFileInfo(dic).isReadable())
        return nullptr;
    return std::make_unique<Hunspell>(QFile::encodeName(aff).constData(), QFile::encodeName(dic).constData());
}

} // namespace

CSpellChecker::CSpellChecker(const QString &dictionaryBase) : m_base(dictionaryBase) {}

void CSpellChecker::ReadAhead()
{
    if (m_read || m_reading.valid())
        return;
    m_reading = std::async(std::launch::async, ReadDictionary, m_base);
}

Hunspell *CSpellChecker::Dictionary() const
{
    if (m_read)
        return m_hunspell.get();
    m_read = true;
    m_hunspell = m_reading.valid() ? m_reading.get() : ReadDictionary(m_base);
    if (!m_hunspell) {
        qCWarning(lcChat) << "spell checking off: no dictionary at" << m_base;
        return nullptr;
    }
    const QString encoding = QString::fromStdString(m_hunspell->get_dict_encoding()).toUpper();
    m_utf8 = encoding.isEmpty() || encoding == QLatin1String("UTF-8");
    return m_hunspell.get();
}

CSpellChecker::~CSpellChecker() = default;

CSpellChecker &CSpellChecker::Shared()
{
    static CSpellChecker checker(QString::fromLatin1(kDefaultDictionary));
    return checker;
}

QList<CSpellChecker::Word> CSpellChecker::Words(QStringView text)
{
    QList<Word> words;
    const int n = int(text.size());
    int i = 0;
    while (i < n) {
        while (i < n && text[i].isSpace())
            ++i;
        int end = i;
        while (end < n && !text[end].isSpace())
            ++end;
        if (end > i && !IsSkipped(text.mid(i, end - i))) {
            for (int j = i; j < end;) {
                while (j < end && !IsWordChar(text[j]))
                    ++j;
                int k = j;
                bool digits = false;
                while (k < end && IsWordChar(text[k]))
                    digits |= text[k++].isDigit();
                int first = j;
                int last = k;
                while (first < last && IsApostrophe(text[first]))
                    ++first;
                while (last > first && IsApostrophe(text[last - 1]))
                    --last;
                if (last > first && !digits)
                    words.append({first, last - first});
                j = k;
            }
        }
        i = end;
    }
    return words;
}

QList<CSpellChecker::Word> CSpellChecker::Misspelled(QStringView text) const
{
    QList<Word> wrong;
    const QList<Word> words = Words(text);
    // An empty input needs no dictionary.
    if (words.isEmpty() || !Dictionary())
        return wrong;
    for (const Word &word : words) {
        if (!IsCorrect(text.mid(word.start, word.length).toString()))
            wrong.append(word);
    }
    return wrong;
}

bool CSpellChecker::IsCorrect(const QString &word) const
{
    Hunspell *dictionary = Dictionary();
    return !dictionary || dictionary->spell(Encode(word).toStdString());
}

QStringList CSpellChecker::Suggest(const QString &word) const
{
    QStringList suggestions;
    Hunspell *dictionary = Dictionary();
    if (!dictionary)
        return suggestions;
    for (const std::string &s : dictionary->suggest(Encode(word).toStdString()))
        suggestions.append(Decode(s));
    return suggestions;
}

QByteArray CSpellChecker::Encode(const QString &word) const
{
    return m_utf8 ? word.toUtf8() : word.toLatin1();
}

QString CSpellChecker::Decode(const std::string &word) const
{
    const QByteArray bytes = QByteArray::fromStdString(word);
    return m_utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}
