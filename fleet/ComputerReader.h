#pragma once
#include "fleet/ComputerReading.h"
#include "mgmt/Source.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace quorvin {
class Clock;
}

namespace quorvin::fleet {

// Makes the source that reaches a computer: the same sources the Quorvin window uses.
using SourceMaker = std::function<std::unique_ptr<mgmt::Source>(const std::string &computer)>;

// Reads one computer for its row, from the classes the pages read and with their arithmetic: the processor
// load from two samples of the processors' idle counter, memory in use from the operating system's free and
// total memory, the network's rates from the adapters' byte counters, and the busiest process from two
// samples of the processes' counters. Used by one thread at a time; its source is made, and connected, at
// its first reading.
class ComputerReader final {
public:
    ComputerReader(std::string computer, SourceMaker makeSource, const Clock &clock);
    ~ComputerReader();
    ComputerReader(const ComputerReader &) = delete;
    ComputerReader &operator=(const ComputerReader &) = delete;

    // All of its classes in one call; the processes too when `withProcesses`. Never throws.
    ReadOutcome read(bool withProcesses);

    const std::string &computer() const noexcept { return m_computer; }

private:
    struct ProcessSample {
        double processorTime = 0;
        double timestamp = 0;
    };

    void readSystem(const mgmt::ClassAnswer &answer, ComputerReading &reading) const;
    void readProcessor(const mgmt::ClassAnswer &answer, ComputerReading &reading);
    void readNetwork(const mgmt::ClassAnswer &answer, double now, ComputerReading &reading);
    void readProcesses(const mgmt::ClassAnswer &answer);

    std::string m_computer;
    SourceMaker m_makeSource;
    const Clock &m_clock;
    std::unique_ptr<mgmt::Source> m_source;
    std::unique_ptr<mgmt::Service> m_service;

    std::optional<std::pair<double, double>> m_lastIdle; // idle counter and timestamp of "_Total"
    std::optional<double> m_lastProcessorPercent;
    std::map<std::string, std::pair<double, double>> m_lastAdapters; // received and sent bytes by name
    double m_lastAdaptersAt = 0;
    // By process ID and start, so that an ID given to a new process does not count the old one's time.
    std::map<std::pair<double, std::string>, ProcessSample> m_lastProcesses;
    std::string m_topProcess;
    std::optional<double> m_topProcessPercent;
    std::string m_topProcessWhy;
};

// Seconds since the epoch of a CIM date-time ("yyyymmddHHMMSS.ffffff+UUU", local time and its offset from
// UTC in minutes); nothing for text of another form.
std::optional<std::int64_t> epochOfCimDateTime(std::string_view text);

} // namespace quorvin::fleet
