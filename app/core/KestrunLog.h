#pragma once

#include <QLoggingCategory>

// The player's own log lines ("windowWillLoad...", "NO Video===============", one line per GPS record, …):
// off by default, so the console stays quiet; QT_LOGGING_RULES="kestrun*=true" shows them. Warnings and
// errors go through qWarning/qCritical and are always shown.
Q_DECLARE_LOGGING_CATEGORY(lcKestrun)
