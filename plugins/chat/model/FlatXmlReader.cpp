#include "plugins/chat/model/FlatXmlReader.h"

#include <QXmlStreamReader>

namespace Tessary {

namespace {

bool IsBlank(const QString &text)
{
    for (QChar c : text) {
        if (!c.isSpace())
            return false;
    }
    return true;
}

QString LocalName(QStringView qualified)
{
    const qsizetype colon = qualified.indexOf(QLatin1Char(':'));
    return (colon < 0 ? qualified : qualified.sliced(colon + 1)).toString();
}

} // namespace

FlatXml FlatXmlReader(QByteArrayView utf8)
{
    FlatXml result;
    QXmlStreamReader reader(QByteArray::fromRawData(utf8.data(), utf8.size()));
    // Prefixes are dropped by hand: an undeclared prefix must not end the read.
    reader.setNamespaceProcessing(false);

    QString current;
    QString text;
    bool pending = false;
    bool afterEnd = false;
    // Character runs split by the reader (entities, line ends) are one value.
    // Blank text is layout unless it is an element's whole content, so it
    // never replaces a value read before it.
    auto flush = [&](bool closesElement) {
        if (pending && !current.isEmpty() && (!IsBlank(text) || (closesElement && !afterEnd)))
            result.insert(current, text);
        pending = false;
        text.clear();
    };

    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (reader.hasError() || token == QXmlStreamReader::DTD)
            break;
        switch (token) {
        case QXmlStreamReader::StartElement:
        case QXmlStreamReader::EndElement:
            flush(token == QXmlStreamReader::EndElement);
            current = LocalName(reader.qualifiedName());
            afterEnd = token == QXmlStreamReader::EndElement;
            break;
        case QXmlStreamReader::Characters:
            if (!reader.isCDATA()) {
                text += reader.text();
                pending = true;
            }
            break;
        default:
            break;
        }
    }
    flush(false);
    return result;
}

} // namespace Tessary
