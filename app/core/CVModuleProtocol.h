#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <optional>

// The interface through which the playback module drives the other modules (and the play list answers
// next/previous). A module says which operations it has; callers skip a module without the operation.
// Everything runs on the main thread.
class CVModuleProtocol {
public:
    enum class Operation {
        ZoomInVideoPlayWindow,
        ZoomInMapWindow,
        DataLogicProcessOfViodePath,
        UpdateDataByCurrentTime,
        VideoAllTime,
        TotalDistance,
        VideoEnd,
        PlayNext,
    };

    virtual ~CVModuleProtocol() = default;

    // Whether this module has the operation.
    virtual bool implementsOperation(Operation operation) const = 0;

    // Enlarge the video or map area to a zoom state; returns the state in force.
    virtual std::int64_t zoomInVideoPlayWindow(std::int64_t state) { return state; }
    virtual std::int64_t zoomInMapWindow(std::int64_t state) { return state; }
    // A new file is active (its escaped "file:///..." key), or nothing: playback stopped.
    virtual void dataLogicProcessOfViodePath(const std::optional<QString>& path) { (void)path; }
    // The playback position, seconds.
    virtual void updateDataByCurrentTime(double seconds) { (void)seconds; }
    // The active file's duration, seconds.
    virtual void videoAllTime(double seconds) { (void)seconds; }
    virtual void totalDistance(float distance) { (void)distance; }
    // Playback of the active file reached its end.
    virtual void videoEnd() {}
    // Play list: true next file, false previous; dashboard: reset every figure.
    virtual void playNext(bool next) { (void)next; }
};

// A weak reference to a module: empty until set, empty again when the module is destroyed. A call on an
// empty reference, or of an operation the module does not have, does nothing.
class ModuleRef {
public:
    ModuleRef() = default;
    template <typename Module> explicit ModuleRef(Module* module) { set(module); }

    template <typename Module> void set(Module* module) {
        m_object = module;
        m_module = module;
    }
    void clear() {
        m_object = nullptr;
        m_module = nullptr;
    }

    CVModuleProtocol* get() const { return m_object ? m_module : nullptr; }
    QObject* object() const { return m_object; }
    explicit operator bool() const { return get() != nullptr; }

    std::optional<std::int64_t> zoomInVideoPlayWindow(std::int64_t state) const {
        if (auto* m = with(CVModuleProtocol::Operation::ZoomInVideoPlayWindow))
            return m->zoomInVideoPlayWindow(state);
        return std::nullopt;
    }
    std::optional<std::int64_t> zoomInMapWindow(std::int64_t state) const {
        if (auto* m = with(CVModuleProtocol::Operation::ZoomInMapWindow))
            return m->zoomInMapWindow(state);
        return std::nullopt;
    }
    void dataLogicProcessOfViodePath(const std::optional<QString>& path) const {
        if (auto* m = with(CVModuleProtocol::Operation::DataLogicProcessOfViodePath))
            m->dataLogicProcessOfViodePath(path);
    }
    void updateDataByCurrentTime(double seconds) const {
        if (auto* m = with(CVModuleProtocol::Operation::UpdateDataByCurrentTime))
            m->updateDataByCurrentTime(seconds);
    }
    void videoAllTime(double seconds) const {
        if (auto* m = with(CVModuleProtocol::Operation::VideoAllTime))
            m->videoAllTime(seconds);
    }
    void totalDistance(float distance) const {
        if (auto* m = with(CVModuleProtocol::Operation::TotalDistance))
            m->totalDistance(distance);
    }
    void videoEnd() const {
        if (auto* m = with(CVModuleProtocol::Operation::VideoEnd))
            m->videoEnd();
    }
    void playNext(bool next) const {
        if (auto* m = with(CVModuleProtocol::Operation::PlayNext))
            m->playNext(next);
    }

private:
    CVModuleProtocol* with(CVModuleProtocol::Operation operation) const {
        CVModuleProtocol* m = get();
        return m && m->implementsOperation(operation) ? m : nullptr;
    }

    QPointer<QObject> m_object;
    CVModuleProtocol* m_module = nullptr;
};
