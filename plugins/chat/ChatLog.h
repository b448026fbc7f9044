#pragma once
// The "ostrel.chat" logging category of the live-chat plug-in.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcChat)
