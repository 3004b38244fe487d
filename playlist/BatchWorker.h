#pragma once

#include <QObject>
#include <QThread>

#include <functional>

// The application-wide serial worker for play-list batches: one thread ("com.Login.queue"), tasks run one
// after the other in the order they were queued. Stopped when the application object is destroyed.
class BatchWorker {
public:
    static BatchWorker& shared();

    void enqueue(std::function<void()> task);
    // Blocks until every task queued so far has run (tests, shutdown), at most timeoutMs (< 0: no limit).
    // False when the tasks have not all run by then.
    bool drain(int timeoutMs = -1);

private:
    BatchWorker();
    static void stop();

    QThread m_thread;
    QObject* m_context = nullptr; // lives in m_thread
};
