#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

// A cancellable delayed action on the main thread: runs once when the delay has passed unless cancelled
// first. The handle is released once it has run or was cancelled, so a weak reference reads as nothing.
class DelayedAction : public QObject {
    Q_OBJECT
public:
    static QPointer<DelayedAction> createDelayBlockAfterTime(int milliseconds, std::function<void()> action,
                                                             QObject* context);
    static void cancelDelayedBlock(const QPointer<DelayedAction>& handle);

private:
    DelayedAction(std::function<void()> action, QObject* context);
    std::function<void()> m_action;
};
