#include "PlayerEnvironment.h"

#include "AppLanguageManager.h"
#include "AppResources.h"

#include <QApplication>
#include <QByteArray>
#include <QLoggingCategory>
#include <QPalette>
#include <QStyleFactory>
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

// A dark theme, as dash-cam viewers are used next to dark video.
void applyDarkTheme(QApplication& app) {
    app.setStyle(QStyleFactory::create("Fusion"));
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x1b, 0x1e, 0x23));
    p.setColor(QPalette::WindowText, QColor(0xe6, 0xe8, 0xeb));
    p.setColor(QPalette::Base, QColor(0x15, 0x18, 0x1d));
    p.setColor(QPalette::AlternateBase, QColor(0x20, 0x24, 0x2a));
    p.setColor(QPalette::ToolTipBase, QColor(0x2b, 0x2f, 0x36));
    p.setColor(QPalette::ToolTipText, QColor(0xe6, 0xe8, 0xeb));
    p.setColor(QPalette::Text, QColor(0xe6, 0xe8, 0xeb));
    p.setColor(QPalette::Button, QColor(0x26, 0x2a, 0x31));
    p.setColor(QPalette::ButtonText, QColor(0xe6, 0xe8, 0xeb));
    p.setColor(QPalette::Highlight, QColor(0xf5, 0xb8, 0x3d));
    p.setColor(QPalette::HighlightedText, QColor(0x15, 0x18, 0x1d));
    p.setColor(QPalette::Link, QColor(0xf5, 0xb8, 0x3d));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x6b, 0x72, 0x80));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x6b, 0x72, 0x80));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x6b, 0x72, 0x80));
    app.setPalette(p);
}

} // namespace

void setUpApplication(QApplication& app) {
    QCoreApplication::setOrganizationName("Kestrun");
    QCoreApplication::setApplicationName("KestrunPlayer");
    QCoreApplication::setApplicationVersion(AppResources::shortVersion());
    QGuiApplication::setDesktopFileName("kestrun-player");
    applyDarkTheme(app);
    AppResources::installTranslations(AppLanguageManager::preferredLanguages());
}

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
    // The map view is composed in software. Composed with OpenGL, it turns the whole window into one
    // OpenGL scene that is drawn again for every video frame, which costs a core where OpenGL itself runs
    // in software (virtual machines, machines without a graphics driver); the map pages need no OpenGL.
    setDefault("QT_QUICK_BACKEND", "software");
    // Qt WebEngine's start-up report of its graphics context is not the player's to print (a user's
    // QT_LOGGING_RULES still wins).
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext=false"));
    if (!g_next)
        g_next = qInstallMessageHandler(filterChatter);
    // Chromium's own diagnostics (a graphics context it retries, for one) are not the player's to print
    // (its fatal errors still are), and it fetches nothing in the background and resolves no names ahead.
    setDefault("QTWEBENGINE_CHROMIUM_FLAGS", "--log-level=3 --disable-background-networking "
                                             "--disable-component-update --dns-prefetch-disable");
}

} // namespace PlayerEnvironment
