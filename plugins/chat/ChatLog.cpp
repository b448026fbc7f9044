#include "plugins/chat/ChatLog.h"

Q_LOGGING_CATEGORY(lcChat, "ostrel.chat", QtInfoMsg)
