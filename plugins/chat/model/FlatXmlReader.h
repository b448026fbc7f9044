#pragma once
// Reads the chat service's small XML replies and notices into a table of
// element name to text, ignoring nesting: the innermost element that holds
// text gives the entry. Blank text counts only as an element's whole
// content, so layout between elements replaces nothing. Attributes, CDATA,
// comments and processing instructions are ignored; a document type
// declaration is refused, so no entity is ever expanded. Reading stops
// quietly at the first error and keeps what it read. Any thread.

#include <QByteArrayView>
#include <QMap>
#include <QString>

namespace Tessary {

// Element local names (prefixes dropped) to their text; a later element of
// the same name replaces an earlier one.
using FlatXml = QMap<QString, QString>;

FlatXml FlatXmlReader(QByteArrayView utf8);

} // namespace Tessary
