#include "QuitOnSignal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_sockets[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
} // namespace

QuitOnSignal::QuitOnSignal(QObject* parent)
    : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_sockets) != 0)
        return;
    m_notifier = new QSocketNotifier(g_sockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(g_sockets[1], &byte, 1);
        // Not quit(): that asks the windows first, and nobody may be there to answer (a session ending).
        QCoreApplication::exit(0);
    });
    struct sigaction action = {};
    action.sa_handler = &QuitOnSignal::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals)
        ::sigaction(signal, &action, nullptr);
}

QuitOnSignal::~QuitOnSignal() {
    for (const int signal : kSignals)
        std::signal(signal, SIG_DFL);
    delete m_notifier;
    m_notifier = nullptr;
    for (int& socket : g_sockets) {
        if (socket >= 0)
            ::close(socket);
        socket = -1;
    }
}

void QuitOnSignal::handle(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t sent = ::write(g_sockets[0], &byte, 1);
}
