#include "AppDelegate.h"
#include "AppLanguageManager.h"
#include "AppResources.h"
#include "CVWindowController.h"
#include "PlayerEnvironment.h"
#include "QuitOnSignal.h"
#include "SingleInstance.h"

#include "MyCache.h"
#include "SettingsStore.h"
#include "StoreNotices.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <unistd.h>

namespace {

constexpr int kQuitTimeoutMs = 800;

QByteArray currentDirectory() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? QByteArray(buffer) : QFile::encodeName(QDir::currentPath());
}

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

    // Files to open: the arguments as the file system has them (a name need not be UTF-8), absolute
    // ("--add" before them is still understood). QApplication has taken its own options out of argv.
    QList<QUrl> files;
    const QByteArray directory = currentDirectory();
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--add" || argument.isEmpty())
            continue;
        files << MyCache::urlOfLocalFile(argument.startsWith('/') ? argument : directory + "/" + argument);
    }
    // One player per store: a player already running for it takes the files (or only comes forward) and
    // this one ends. A store locked by a player that cannot be reached is not opened a second time.
    SingleInstance instance(SingleInstance::defaultName());
    qint64 owner = 0;
    if (!instance.lockStore(SingleInstance::defaultLockPath(), &owner)) {
        if (instance.handOverUrls(files))
            return 0;
        const QString text = QCoreApplication::translate(
                                 "main", "Kestrun Player is already running with this play list (process "
                                         "%1), and it does not answer. Quit it first, then start the "
                                         "player again.")
                                 .arg(owner);
        qWarning().noquote() << text;
        QMessageBox::critical(nullptr, QStringLiteral("Kestrun Player"), text);
        return 1;
    }
    instance.listen();

    PlayerEnvironment::setUpApplication(app);
    QuitOnSignal quitOnSignal;
    AppDelegate delegate;
    CVWindowController window;
    delegate.buildMenus(window.menuBar());
    QObject::connect(&instance, &SingleInstance::urlsReceived, &window, [&](const QList<QUrl>& received) {
        window.showNormal();
        window.raise();
        window.activateWindow();
        delegate.openLocalUrls(received);
    });
    window.show();
    delegate.applicationDidFinishLaunching(files);
    const int status = app.exec();
    // The batch stops after the file it reads and what was read is written; a read that never returns
    // (a FIFO, a hung network share) must not hold the quit up.
    if (!MyCache::shutdown(kQuitTimeoutMs)) {
        qWarning() << "Quitting while a file is still being read; the files read before it are stored";
        SettingsStore::shared().flush(kQuitTimeoutMs);
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(status);
    }
    if (const int unsaved = StoreNotices::shared().unsavedChanges(); unsaved > 0)
        qWarning().noquote() << unsaved
                             << "changes could not be saved:" << StoreNotices::shared().unsavedReason();
    return status;
}
