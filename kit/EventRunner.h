#pragma once
#include <functional>

namespace quorvin {

// How a control's event reaches its handler: the window counts it as busy, so that the poll waits, and
// nothing the handler raises leaves it.
class EventRunner {
public:
    virtual ~EventRunner() = default;
    virtual void run(const std::function<void()> &handler) = 0;
};

} // namespace quorvin
