#pragma once
// The updater downloads its own next version as "qvupdate.mvx"; at the next
// start the program moves it over "qvupdate" in the same folder.

#include <QString>

#include <functional>

// Moves folder/qvupdate.mvx over folder/qvupdate when it exists: up to four
// attempts, sleep(1000) between them. True when the new updater is in place
// (false also when there was none to move); start-up goes on either way.
bool SwapInUpdater(const QString &folder, const std::function<void(int ms)> &sleep);
