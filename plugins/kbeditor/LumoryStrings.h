#pragma once
// The editor plug-in's string table. Any thread (read-only table).

#include <QString>

namespace LumoryStringId {
inline constexpr unsigned Name = 14001; // description follows at 14002
}

QString LumoryString(unsigned id);
