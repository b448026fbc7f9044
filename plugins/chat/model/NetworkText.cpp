#include "plugins/chat/model/NetworkText.h"

#include <QStringDecoder>

#include <limits>

namespace Tessary {

QString FromNetworkText(QByteArrayView text)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(text);
    if (!utf8.hasError())
        return decoded;
    return QString::fromLatin1(text);
}

QString CapText(QString text, qsizetype maxLength)
{
    if (text.size() <= maxLength)
        return text;
    qsizetype cut = maxLength;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate())
        --cut;
    text.truncate(cut);
    return text;
}

QList<QByteArrayView> SplitNonEmpty(QByteArrayView text, char separator)
{
    QList<QByteArrayView> pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != separator)
            continue;
        if (i > start)
            pieces.append(text.sliced(start, i - start));
        start = i + 1;
    }
    return pieces;
}

QList<QByteArray> SplitWords(QByteArrayView text)
{
    QList<QByteArray> words;
    for (QByteArrayView word : SplitNonEmpty(text, ' '))
        words.append(word.toByteArray());
    return words;
}

QList<QByteArray> SplitCommaList(QByteArrayView text)
{
    QList<QByteArray> items;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != ',')
            continue;
        QByteArrayView item = text.sliced(start, i - start);
        qsizetype blank = 0;
        while (blank < item.size() && (item[blank] == ' ' || item[blank] == '\t' || item[blank] == '\v'))
            ++blank;
        if (blank < item.size())
            item = item.sliced(blank);
        items.append(item.toByteArray());
        start = i + 1;
    }
    return items;
}

} // namespace Tessary
