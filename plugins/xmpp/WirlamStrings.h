#pragma once
// The string table of the Wirlam library: id -> text.

#include <QString>

// Empty for an id the table does not hold.
QString WirlamString(unsigned id);

namespace WirlamStringId {
inline constexpr unsigned Name = 11000;
inline constexpr unsigned Description = 11001;
// 11002 + engine error - 1 names each engine error, 1 to 12.
inline constexpr unsigned FirstEngineError = 11002;
inline constexpr unsigned InvalidUserName = 11015;
// 11000 + the sub-code of a refused sign-in.
inline constexpr unsigned RefusalBase = 11000;
} // namespace WirlamStringId
