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

// The editor's command ids: the "Lumory" menu and the result list's menu.
namespace LumoryCommand {
inline constexpr unsigned Search = 14245;
inline constexpr unsigned NewArticle = 14251;
inline constexpr unsigned EditArticle = 14252;
inline constexpr unsigned DeleteArticle = 14254;
inline constexpr unsigned ListEditArticle = 14259;
inline constexpr unsigned ListDeleteArticle = 14260;
}
