#include "SkinLog.h"

Q_LOGGING_CATEGORY(lcSkins, "ostrel.skins", QtInfoMsg)
