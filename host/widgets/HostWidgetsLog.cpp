#include "host/widgets/HostWidgetsLog.h"

Q_LOGGING_CATEGORY(lcHostWidgets, "ostrel.host", QtInfoMsg)
