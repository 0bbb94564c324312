#pragma once
#include <QObject>
#include <functional>

namespace quorvin {

// Hands every event of one object to a function, for events that no signal announces (a label's mouse).
// Owned by the object it watches.
class EventHook final : public QObject {
public:
    EventHook(QObject *watched, std::function<void(QEvent *)> handler)
        : QObject(watched), m_handler(std::move(handler))
    {
        watched->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == parent())
            m_handler(event);
        return false;
    }

private:
    std::function<void(QEvent *)> m_handler;
};

} // namespace quorvin
