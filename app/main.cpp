#include "AppDelegate.h"
#include "AppLanguageManager.h"
#include "AppResources.h"
#include "CVWindowController.h"
#include "PlayerEnvironment.h"
#include "QuitOnSignal.h"

#include <QApplication>
#include <QFileInfo>
#include <QUrl>

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
    QString text = AppResources::displayName() + " — " + AppResources::localized("版本") + "\n";
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
    PlayerEnvironment::setUpApplication(app);

    // "--add FILE..." adds the files through the open command's batch and plays the first (the demo uses it);
    // other arguments are files handed over by the desktop, which are only logged.
    QStringList handedOver = app.arguments().mid(1);
    QList<QUrl> toAdd;
    if (const qsizetype add = handedOver.indexOf("--add"); add >= 0) {
        for (const QString& file : handedOver.mid(add + 1))
            toAdd << QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
        handedOver = handedOver.mid(0, add);
    }

    QuitOnSignal quitOnSignal;
    AppDelegate delegate;
    CVWindowController window;
    delegate.buildMenus(window.menuBar());
    window.show();
    delegate.applicationDidFinishLaunching(handedOver);
    if (!toAdd.isEmpty())
        delegate.openUrls(toAdd);
    return app.exec();
}
