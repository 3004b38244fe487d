#include "PlayerEnvironment.h"

#include <QByteArray>
#include <QLoggingCategory>
#include <QtGlobal>

#include <unistd.h>

namespace PlayerEnvironment {

namespace {
void setDefault(const char* name, const QByteArray& value) {
    if (!qEnvironmentVariableIsSet(name))
        qputenv(name, value);
}
} // namespace

void prepare() {
    // GStreamer plays MP4 (H.264/HEVC) and transport streams and survives machines without an audio device.
    setDefault("QT_MEDIA_BACKEND", "gstreamer");
    // Chromium refuses to start its sandbox as root; the map pages are local and only talk to the map hosts.
    if (::geteuid() == 0)
        setDefault("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // Qt WebEngine's start-up report of its graphics context is not the player's to print (a user's
    // QT_LOGGING_RULES still wins).
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext=false"));
    setDefault("QTWEBENGINE_CHROMIUM_FLAGS",
               "--disable-background-networking --disable-component-update --dns-prefetch-disable");
}

} // namespace PlayerEnvironment
