#include "BatchWorker.h"

#include <QCoreApplication>
#include <QSemaphore>

namespace {
constexpr const char* kQueueLabel = "com.Login.queue";
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
    g_worker->m_thread.wait();
}

void BatchWorker::enqueue(std::function<void()> task) {
    QMetaObject::invokeMethod(m_context, std::move(task), Qt::QueuedConnection);
}

void BatchWorker::drain() {
    if (!m_thread.isRunning() || QThread::currentThread() == &m_thread)
        return;
    QSemaphore done;
    enqueue([&done] { done.release(); });
    done.acquire();
}
