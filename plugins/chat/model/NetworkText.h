#pragma once
// Small helpers for the 8-bit texts that the chat service sends: decoding
// to UTF-16, length caps, and the blank- and comma-separated lists. Pure
// functions; any thread.

#include "shared/LeadingInteger.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

namespace Tessary {

// Longest text kept from one network field; a flood of visitor data must
// not grow memory without bound.
inline constexpr qsizetype kMaxFieldLength = 4096;

// UTF-8; a text that is not valid UTF-8 is read as Latin-1, so no byte is
// lost or turned into a replacement character.
QString FromNetworkText(QByteArrayView text);

// The text cut to at most maxLength UTF-16 units, never inside a
// surrogate pair.
QString CapText(QString text, qsizetype maxLength = kMaxFieldLength);

// The pieces between separators, in order; empty pieces are dropped. The
// views point into the text.
QList<QByteArrayView> SplitNonEmpty(QByteArrayView text, char separator);

// The pieces between blanks, in order; empty pieces are dropped.
QList<QByteArray> SplitWords(QByteArrayView text);

// The items between commas, in order, empty ones kept; leading blanks, tabs
// and vertical tabs are removed from each item unless the item holds
// nothing else.
QList<QByteArray> SplitCommaList(QByteArrayView text);

} // namespace Tessary

namespace Tessary {

using ::LeadingInteger;

} // namespace Tessary
