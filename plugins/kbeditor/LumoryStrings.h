#pragma once
// The editor plug-in's string table. Any thread (read-only table).

#include <QString>

#include <string>

namespace LumoryStringId {
inline constexpr unsigned Name = 14001; // description follows at 14002
}

QString LumoryString(unsigned id);

// The records carry UTF-8; the windows show wide text.
QString Utf8ToWide(const std::string &text);
std::string WideToUtf8(const QString &text);
