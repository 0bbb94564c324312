#pragma once
#include <optional>
#include <string>

namespace quorvin::fleet {

// What one reading of a computer gives its row. Values that could not be told are empty; where a whole
// class could not be read, its reason says why.
struct ComputerReading {
    std::string operatingSystem;
    std::optional<double> upSeconds;
    std::optional<double> processorPercent; // from the second reading on
    std::optional<double> memoryPercent;
    std::optional<double> freeKilobytes;
    std::optional<double> processes;
    std::optional<double> receivedBitsPerSecond; // summed over the adapters but loopback
    std::optional<double> sentBitsPerSecond;
    std::string topProcess; // the process that used most processor time since the process reading before
    std::optional<double> topProcessPercent;

    std::string systemWhy; // why the operating system's values are empty
    std::string processorWhy;
    std::string networkWhy;
    std::string topProcessWhy; // empty while none can be told yet
};

// Why a reading failed, as the state column tells it.
enum class Failure {
    Unreachable,  // not found, no answer, or the connection was lost
    AccessDenied, // refused keys, a refused host key, or sign-in that did not finish
};

// A reading, or why there was none.
struct ReadOutcome {
    bool answered = false;
    ComputerReading reading;
    Failure failure = Failure::Unreachable;
    std::string why;
};

} // namespace quorvin::fleet
