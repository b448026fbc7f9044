#pragma once
// The "ostrel.kbservice" logging category of the knowledge-base service plug-in.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcKBService)
