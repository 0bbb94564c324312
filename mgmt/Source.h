#pragma once
#include "mgmt/Error.h"
#include "mgmt/Instance.h"
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace quorvin::mgmt {

// The instances of one class in a reading of several, or why that class alone could not be made.
struct ClassAnswer {
    std::vector<Instance> instances;
    std::optional<Error> error;
};

// A connection to one computer's management data, made from a moniker.
class Service {
public:
    virtual ~Service() = default;
    // Instances in the order the computer returns them; an unknown class raises "Invalid class".
    virtual std::vector<Instance> instancesOf(std::string_view className) = 0;
    // The query forms "select * from CLASS" and "select * from CLASS where name = 'X'".
    virtual std::vector<Instance> execQuery(std::string_view wql) = 0;
    // Several classes at one moment, in the order asked, each by its class name or by a query of the forms
    // above (a backend may then read less: one named instance may need less than all of them); a backend
    // that can asks the computer once for all of them. A computer that cannot be reached or a connection
    // lost on the way raises, as instancesOf does; a class that cannot be made of what came (a refused or
    // missing value) gives its own error.
    virtual std::vector<ClassAnswer> instancesOfEach(std::span<const std::string_view> asks);
};

// Called now and then, on the calling thread, while a call waits on the computer for up to a few seconds (a
// process to end, a remote answer), so that the caller can keep its window painted.
using WhileWaiting = std::function<void()>;

// Opens connections; throws mgmt::Error (number 462 when the computer cannot be reached). A source and the
// connections it opens are used from one thread.
class Source {
public:
    virtual ~Source() = default;
    virtual std::unique_ptr<Service> connect(std::string_view moniker) = 0;
    // Closes connections that have not been used for a while; the window calls it on every poll tick.
    virtual void closeIdleConnections() {}
    virtual void setWhileWaiting(WhileWaiting) {}
    // A second of the window's poll went by with Real Time Mode on: a replay moves on by one second.
    virtual void pollSecond() {}
    // The moment the answers describe, where that is not now (a replay of another time); the window shows it
    // as the time of its last update.
    virtual std::optional<std::chrono::system_clock::time_point> answersTime() const { return std::nullopt; }
    // This program's own process ID among the processes a connection with this moniker lists; nothing where
    // they are another computer's (a remote or a recorded one). The program never ends that process.
    virtual std::optional<std::int64_t> thisProgramsProcessId(std::string_view) { return std::nullopt; }
};

} // namespace quorvin::mgmt
