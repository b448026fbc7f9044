#pragma once
// A one-line field from the network (a name, nick, title, address, status)
// as it may be shown: line and paragraph breaks become a space and other
// control characters U+FFFD, so no field can draw lines of its own.

#include <QString>

QString OneLine(const QString &text);
