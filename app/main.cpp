#include "AppDelegate.h"
#include "AppLanguageManager.h"
#include "AppResources.h"
#include "CVWindowController.h"
#include "PlayerEnvironment.h"
#include "QuitOnSignal.h"
#include "SingleInstance.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <optional>

namespace {

// "--version" and "--help" answer on standard output without a window (and without a display).
std::optional<int> answerWithoutWindow(int argc, char** argv) {
    bool version = false;
    bool help = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--add")
            break;
        version = version || argument == "--version" || argument == "-v";
        help = help || argument == "--help" || argument == "-h";
    }
    if (!version && !help)
        return std::nullopt;
    QCoreApplication app(argc, argv);
    AppResources::installTranslations(AppLanguageManager::preferredLanguages());
    QString text = AppResources::displayName() + " — " + AppResources::versionText() + "\n";
    if (help) {
        text += QCoreApplication::translate(
            "main", "Usage: kestrun-player [FILE...] [--add FILE...]\n"
                    "  --add FILE...  add the files to the play list and play the first\n"
                    "  --version      show the version\n"
                    "  --help         show this help\n");
    }
    std::fputs(text.toUtf8().constData(), stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (const std::optional<int> answered = answerWithoutWindow(argc, argv))
        return *answered;
    PlayerEnvironment::prepare();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts); // Qt WebEngine, before the application
    QApplication app(argc, argv);

    // Files to open: the arguments, absolute ("--add" before them is still understood).
    QStringList files;
    for (const QString& argument : app.arguments().mid(1)) {
        if (argument != "--add")
            files << QFileInfo(argument).absoluteFilePath();
    }
    // A player already running for this store takes the files (or only comes forward) and this one ends.
    SingleInstance instance(SingleInstance::defaultName());
    if (instance.handOver(files))
        return 0;
    instance.listen();

    PlayerEnvironment::setUpApplication(app);
    QuitOnSignal quitOnSignal;
    AppDelegate delegate;
    CVWindowController window;
    delegate.buildMenus(window.menuBar());
    QObject::connect(&instance, &SingleInstance::filesReceived, &window, [&](const QStringList& received) {
        window.showNormal();
        window.raise();
        window.activateWindow();
        delegate.openFiles(received);
    });
    window.show();
    delegate.applicationDidFinishLaunching(files);
    return app.exec();
}
