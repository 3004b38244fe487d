#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QThread;
class QObject;

// Watches whether a host can be reached and reports the first result after start and every change, to a
// reachable and an unreachable handler. The probe (resolve the name, then check that a route to it exists:
// a connected UDP socket, which sends nothing) runs on the monitor's own thread, again whenever Qt's network
// information reports a change and on a slow timer. Handlers run on that thread; they pass user-interface
// work to the main thread themselves. After every change "kReachabilityChangedNotification" is posted on the
// main thread. A started monitor keeps itself alive until it is stopped.
class Reachability : public std::enable_shared_from_this<Reachability> {
public:
    using Flags = std::uint32_t;
    static constexpr Flags kTransientConnection = 1u << 0;
    static constexpr Flags kReachable = 1u << 1;
    static constexpr Flags kConnectionRequired = 1u << 2;

    // Returns the flags for a host; may block (it runs on the monitor's thread).
    using Probe = std::function<Flags(const QString& host)>;
    using Block = std::function<void(Reachability& monitor)>;

    static constexpr const char* kChangedNotification = "kReachabilityChangedNotification";
    static constexpr int kDefaultRecheckMs = 60000;

    // A monitor for the host name; nothing for an empty name.
    static std::shared_ptr<Reachability> reachabilityWithHostname(const QString& host);
    static std::shared_ptr<Reachability> reachabilityWithHostName(const QString& host) {
        return reachabilityWithHostname(host);
    }

    // The probe new monitors use (tests install a fake; the default resolves and checks for a route).
    static void setDefaultProbe(Probe probe);
    // Resolves the name and checks for a route; with KESTRUN_REACHABILITY=offline in the environment it
    // reports every host unreachable without any network traffic (tests, machines without a network).
    static Probe systemProbe();

    // Reachable when bit 1 is set, unless bits 0 and 2 are both set.
    static bool isReachable(Flags flags);

    ~Reachability();
    Reachability(const Reachability&) = delete;
    Reachability& operator=(const Reachability&) = delete;

    void setReachableBlock(Block block);
    void setUnreachableBlock(Block block);
    void setRecheckInterval(int milliseconds); // before start

    // Starts notification (idempotent); true on success.
    bool startNotifier();
    // Stops notification at once: no handler runs afterwards. It never waits for a probe in progress (a name
    // look-up may take seconds); the monitor's thread ends by itself and is deleted on the main thread.
    void stopNotifier();
    bool isRunning() const;

    // Probes again now (any thread); reports only when the flags changed.
    void recheck();

    QString host() const { return m_host; }
    std::optional<Flags> lastFlags() const;

private:
    explicit Reachability(QString host, Probe probe);
    void probeAndReport();

    const QString m_host;
    const Probe m_probe;
    mutable std::mutex m_mutex;
    Block m_reachable;
    Block m_unreachable;
    std::optional<Flags> m_lastFlags;
    int m_recheckMs = kDefaultRecheckMs;
    QThread* m_thread = nullptr;  // the monitor's queue
    QObject* m_context = nullptr; // lives in m_thread
    bool m_running = false;
};
