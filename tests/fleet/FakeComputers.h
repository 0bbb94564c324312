#pragma once
#include "fleet/ComputerReader.h"

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace quorvin::fleet::test {

// Computers the fleet reads without a network: each reading moves its counters on by one second of a load
// of its own, and a computer can be made to stall (its reading waits until it is let go) or to fail.
class FakeComputers final {
public:
    enum class Behaviour { Answer, Stall, Unreachable, Denied };

    struct Computer {
        double load = 25;   // percent of processor time
        double memory = 75; // percent in use of 4,000,000 kilobytes
        std::string busiest = "busy";
        Behaviour behaviour = Behaviour::Answer;
        bool refusesProcesses = false; // as a collector that gives no per-process values
        int readings = 0;              // answered readings
        bool waiting = false;          // a reading is stalled here
        // The counters, moved on by each reading.
        double idle = 0, timestamp = 0, busyTime = 0, received = 0;
    };

    SourceMaker maker();
    // Changes a computer's behaviour, or its values, under the lock.
    void set(const std::string &name, const std::function<void(Computer &)> &change);
    Computer get(const std::string &name);
    // Lets its stalled readings go on; it answers from then on.
    void release(const std::string &name);

    // Runs one reading for `name`: waits while it stalls, then answers or fails.
    std::vector<mgmt::ClassAnswer> read(const std::string &name, std::span<const std::string_view> asks);

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::string, Computer> m_computers;
};

} // namespace quorvin::fleet::test
