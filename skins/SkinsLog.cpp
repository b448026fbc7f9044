#include "skins/SkinsLog.h"

Q_LOGGING_CATEGORY(lcSkins, "ostrel.skins", QtInfoMsg)
