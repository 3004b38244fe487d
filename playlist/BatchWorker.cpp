#include "BatchWorker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSemaphore>

#include <memory>

namespace {
constexpr const char* kQueueLabel = "com.Login.queue";
constexpr int kStopTimeoutMs = 1000;
BatchWorker* g_worker = nullptr;
} // namespace

BatchWorker::BatchWorker() {
    m_thread.setObjectName(kQueueLabel);
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread.start();
    qAddPostRoutine(&BatchWorker::stop);
}

BatchWorker& BatchWorker::shared() {
    static BatchWorker* worker = [] {
        g_worker = new BatchWorker; // stopped by the post routine; the object itself stays for late callers
        return g_worker;
    }();
    return *worker;
}

void BatchWorker::stop() {
    if (!g_worker || !g_worker->m_thread.isRunning())
        return;
    g_worker->m_thread.quit();
    // A task stuck in a file read that never returns (a FIFO, a hung network share) must not keep the
    // process from ending: the thread is left to the process's exit.
    g_worker->m_thread.wait(QDeadlineTimer(kStopTimeoutMs));
}

void BatchWorker::enqueue(std::function<void()> task) {
    QMetaObject::invokeMethod(m_context, std::move(task), Qt::QueuedConnection);
}

bool BatchWorker::drain(int timeoutMs) {
    if (!m_thread.isRunning() || QThread::currentThread() == &m_thread)
        return true;
    // Shared with the task: a drain that gives up must not leave the task a dangling semaphore.
    auto done = std::make_shared<QSemaphore>();
    enqueue([done] { done->release(); });
    return done->tryAcquire(1, timeoutMs);
}
