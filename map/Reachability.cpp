#include "Reachability.h"

#include "NotificationCenter.h"

#include <QCoreApplication>
#include <QNetworkInformation>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <netdb.h>
#include <set>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

std::mutex& registryMutex() {
    static std::mutex mutex;
    return mutex;
}

// Started monitors, kept alive while they run; to the end of the process the set is never destroyed, so
// monitors still running at exit are not torn down during static destruction.
std::set<std::shared_ptr<Reachability>>& running() {
    static auto* monitors = new std::set<std::shared_ptr<Reachability>>;
    return *monitors;
}

Reachability::Probe& defaultProbe() {
    static Reachability::Probe probe = Reachability::systemProbe();
    return probe;
}

// Qt's network information (NetworkManager, or the GLib backend without a system bus), loaded once.
QNetworkInformation* networkInformation() {
    static QNetworkInformation* information = [] {
        if (!QNetworkInformation::loadDefaultBackend() && !QNetworkInformation::loadBackendByName(u"glib"))
            return static_cast<QNetworkInformation*>(nullptr);
        return QNetworkInformation::instance();
    }();
    return information;
}

// Threads of stopped monitors that have not finished yet (a probe may be blocked in a name look-up for
// seconds). Nobody waits for them while the application runs: each is deleted on the main thread once it has
// finished. Those still running when the application object goes away get a last, bounded wait.
std::vector<QThread*>& retiredThreads() {
    static auto* threads = new std::vector<QThread*>;
    return *threads;
}

void reapRetiredThreads() {
    std::vector<QThread*> threads;
    {
        std::lock_guard lock(registryMutex());
        threads.swap(retiredThreads());
    }
    for (QThread* thread : threads) {
        QObject::disconnect(thread, nullptr, nullptr, nullptr);
        if (thread->wait(3000))
            delete thread;
    }
}

void retire(QThread* thread) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || thread == QThread::currentThread()) {
        // No event loop to delete it on, or the thread is stopping itself: it deletes itself when finished.
        QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        thread->quit();
        return;
    }
    {
        std::lock_guard lock(registryMutex());
        static const bool reaperInstalled = [] {
            qAddPostRoutine(reapRetiredThreads);
            return true;
        }();
        Q_UNUSED(reaperInstalled);
        retiredThreads().push_back(thread);
    }
    QObject::connect(
        thread, &QThread::finished, app,
        [thread] {
            {
                std::lock_guard lock(registryMutex());
                auto& threads = retiredThreads();
                const auto it = std::find(threads.begin(), threads.end(), thread);
                if (it == threads.end())
                    return; // already reaped
                threads.erase(it);
            }
            thread->wait(); // past its finished signal: returns at once
            delete thread;
        },
        Qt::QueuedConnection);
    thread->quit();
}

} // namespace

std::shared_ptr<Reachability> Reachability::reachabilityWithHostname(const QString& host) {
    if (host.trimmed().isEmpty())
        return nullptr;
    Probe probe;
    {
        std::lock_guard lock(registryMutex());
        probe = defaultProbe();
    }
    return std::shared_ptr<Reachability>(new Reachability(host.trimmed(), std::move(probe)));
}

void Reachability::setDefaultProbe(Probe probe) {
    std::lock_guard lock(registryMutex());
    defaultProbe() = probe ? std::move(probe) : systemProbe();
}

Reachability::Probe Reachability::systemProbe() {
    return [](const QString& host) -> Flags {
        // KESTRUN_REACHABILITY=offline: report every host unreachable without touching the network (tests).
        if (qEnvironmentVariable("KESTRUN_REACHABILITY") == QLatin1String("offline"))
            return 0;
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_DGRAM;
        addrinfo* found = nullptr;
        if (::getaddrinfo(host.toUtf8().constData(), "80", &hints, &found) != 0 || !found)
            return 0;
        Flags flags = 0;
        for (addrinfo* a = found; a && flags == 0; a = a->ai_next) {
            const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
            if (fd < 0)
                continue;
            if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) // a route exists; nothing is sent
                flags = kReachable;
            ::close(fd);
        }
        ::freeaddrinfo(found);
        return flags;
    };
}

bool Reachability::isReachable(Flags flags) {
    const bool transientAndRequired = (flags & kTransientConnection) && (flags & kConnectionRequired);
    return (flags & kReachable) && !transientAndRequired;
}

Reachability::Reachability(QString host, Probe probe)
    : m_host(std::move(host))
    , m_probe(std::move(probe)) {}

Reachability::~Reachability() {
    stopNotifier();
}

void Reachability::setReachableBlock(Block block) {
    std::lock_guard lock(m_mutex);
    m_reachable = std::move(block);
}

void Reachability::setUnreachableBlock(Block block) {
    std::lock_guard lock(m_mutex);
    m_unreachable = std::move(block);
}

void Reachability::setRecheckInterval(int milliseconds) {
    m_recheckMs = milliseconds;
}

bool Reachability::isRunning() const {
    std::lock_guard lock(m_mutex);
    return m_running;
}

std::optional<Reachability::Flags> Reachability::lastFlags() const {
    std::lock_guard lock(m_mutex);
    return m_lastFlags;
}

bool Reachability::startNotifier() {
    {
        std::lock_guard lock(m_mutex);
        if (m_running)
            return true;
        m_running = true;
    }
    {
        std::lock_guard lock(registryMutex());
        running().insert(shared_from_this());
    }
    m_thread = new QThread;
    m_thread->setObjectName("Reachability " + m_host);
    m_context = new QObject;
    // The thread may outlive the monitor (a look-up that blocks at shutdown): its work holds it weakly.
    const std::weak_ptr<Reachability> weak = weak_from_this();
    const auto probe = [weak] {
        if (const auto self = weak.lock())
            self->probeAndReport();
    };
    auto* timer = new QTimer(m_context);
    timer->setInterval(m_recheckMs);
    QObject::connect(timer, &QTimer::timeout, m_context, probe);
    m_context->moveToThread(m_thread); // with its timer
    QObject::connect(m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread->start();
    QMetaObject::invokeMethod(timer, qOverload<>(&QTimer::start), Qt::QueuedConnection);
    if (QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread()) {
        if (QNetworkInformation* information = networkInformation()) {
            QObject::connect(information, &QNetworkInformation::reachabilityChanged, m_context, probe);
        }
    }
    recheck(); // the first report
    return true;
}

void Reachability::stopNotifier() {
    QThread* thread = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (!m_running)
            return;
        m_running = false;
        thread = m_thread;
        m_thread = nullptr;
        m_context = nullptr;
    }
    if (thread)
        retire(thread);
    std::shared_ptr<Reachability> self;
    {
        std::lock_guard lock(registryMutex());
        for (auto it = running().begin(); it != running().end(); ++it) {
            if (it->get() == this) {
                self = *it; // released after the lock, possibly destroying this monitor
                running().erase(it);
                break;
            }
        }
    }
}

void Reachability::recheck() {
    std::lock_guard lock(m_mutex);
    if (!m_context)
        return;
    const std::weak_ptr<Reachability> weak = weak_from_this();
    QMetaObject::invokeMethod(
        m_context,
        [weak] {
            if (const auto self = weak.lock())
                self->probeAndReport();
        },
        Qt::QueuedConnection);
}

void Reachability::probeAndReport() {
    const Flags flags = m_probe ? m_probe(m_host) : 0;
    Block handler;
    {
        std::lock_guard lock(m_mutex);
        if (!m_running || (m_lastFlags && *m_lastFlags == flags))
            return;
        m_lastFlags = flags;
        handler = isReachable(flags) ? m_reachable : m_unreachable;
    }
    if (handler)
        handler(*this);
    NotificationCenter::defaultCenter().postAsync(kChangedNotification, m_host);
}
