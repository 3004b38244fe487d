#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (a desktop session ending, Ctrl+C in a terminal) into an orderly quit of
// the application, so that everything that runs at quit (the settings store's last write among it) still
// runs. The signal handler only writes a byte to a socket; the quit happens on the main thread.
class QuitOnSignal : public QObject {
    Q_OBJECT
public:
    explicit QuitOnSignal(QObject* parent = nullptr);
    ~QuitOnSignal() override;

private:
    static void handle(int signal);
    QSocketNotifier* m_notifier = nullptr;
};
