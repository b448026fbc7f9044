#pragma once
// The eight emoticon codes of the chat, in menu and picture order.
// Pure functions; any thread.

#include <QString>
#include <QStringView>

inline constexpr int kEmoticonCount = 8;

// The code of emoticon index (0 to 7).
QString EmoticonCode(int index);

// The index of the emoticon whose code equals text exactly (case matters);
// -1 when it is none.
int EmoticonIndex(QStringView text);
