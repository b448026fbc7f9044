#include "host/HostLog.h"

Q_LOGGING_CATEGORY(lcHost, "ostrel.host", QtInfoMsg)
