#pragma once
#include "mgmt/Source.h"

#include <chrono>
#include <functional>
#include <memory>

namespace quorvin::mgmt::pcp {

class PcpConnection;

// The thread of one collector or archive. Every PMAPI call blocks its caller (a collector that accepts and
// never answers holds a call for about ten seconds), so the calls of one connection all run here, one at a
// time, while the caller waits a bounded time and keeps its window painted. The connection lives on this
// thread and is destroyed here.
class CollectorThread final {
public:
    using Job = std::function<void(std::unique_ptr<PcpConnection> &connection)>;

    CollectorThread();
    // A call that is still blocked is left to end on its own: the thread ends after it.
    ~CollectorThread();
    CollectorThread(const CollectorThread &) = delete;
    CollectorThread &operator=(const CollectorThread &) = delete;

    // Runs the job here and waits for it, first for a job left over from before, calling whileWaiting every
    // tenth of a second, at most `limit` in all. True when it ran (what it raised is raised again here);
    // false when the time ran out: a job that started goes on, and what it gives is dropped.
    bool run(Job job, std::chrono::milliseconds limit, const WhileWaiting &whileWaiting);

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace quorvin::mgmt::pcp
