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

QtMessageHandler g_next = nullptr;

void filterChatter(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if ((type == QtWarningMsg || type == QtInfoMsg) && isLibraryChatter(message))
        return;
    if (g_next)
        g_next(type, context, message);
}
} // namespace

bool isLibraryChatter(const QString& message) {
    return message == QLatin1String("PulseAudioService: pa_context_connect() failed") ||
           message == QLatin1String("Sandboxing disabled by user.");
}

void prepare() {
    // GStreamer plays MP4 (H.264/HEVC) and transport streams and survives machines without an audio device.
    setDefault("QT_MEDIA_BACKEND", "gstreamer");
    // Chromium refuses to start its sandbox as root; the map pages are local and only talk to the map hosts.
    if (::geteuid() == 0)
        setDefault("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // Qt WebEngine's start-up report of its graphics context is not the player's to print (a user's
    // QT_LOGGING_RULES still wins).
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext=false"));
    if (!g_next)
        g_next = qInstallMessageHandler(filterChatter);
    setDefault("QTWEBENGINE_CHROMIUM_FLAGS",
               "--disable-background-networking --disable-component-update --dns-prefetch-disable");
}

} // namespace PlayerEnvironment
