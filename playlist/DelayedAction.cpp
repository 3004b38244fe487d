#include "DelayedAction.h"

#include <QTimer>

DelayedAction::DelayedAction(std::function<void()> action, QObject* context)
    : QObject(context)
    , m_action(std::move(action)) {}

QPointer<DelayedAction>
DelayedAction::createDelayBlockAfterTime(int milliseconds, std::function<void()> action, QObject* context) {
    auto* handle = new DelayedAction(std::move(action), context);
    QTimer::singleShot(milliseconds, handle, [handle] {
        const auto action = std::move(handle->m_action);
        delete handle; // released before it runs: a weak reference reads as nothing from here on
        if (action)
            action();
    });
    return handle;
}

void DelayedAction::cancelDelayedBlock(const QPointer<DelayedAction>& handle) {
    delete handle.data(); // its timer goes with it
}
