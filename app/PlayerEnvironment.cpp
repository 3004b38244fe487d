#include "PlayerEnvironment.h"

#include <QByteArray>
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
    setDefault("QTWEBENGINE_CHROMIUM_FLAGS",
               "--disable-background-networking --disable-component-update --dns-prefetch-disable");
}

} // namespace PlayerEnvironment
