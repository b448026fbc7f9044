#include "plugins/kbservice/KBServiceLog.h"

Q_LOGGING_CATEGORY(lcKBService, "ostrel.kbservice", QtInfoMsg)
