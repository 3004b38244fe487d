#include "KestrunLog.h"

Q_LOGGING_CATEGORY(lcKestrun, "kestrun", QtWarningMsg)
