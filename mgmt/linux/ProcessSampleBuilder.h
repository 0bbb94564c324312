#pragma once
#include "mgmt/linux/ProcessSample.h"
#include "mgmt/linux/ProcessTexts.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvin::mgmt::linux_ {

// What one walk read of one process's files; nothing for a file that is gone (the process ended on the way)
// or that the walk did not read.
struct ProcessFileTexts {
    std::optional<std::string_view> stat;
    std::optional<std::string_view> statm;
    std::optional<std::string_view> status;
};

// Makes a process's sample from the texts of its files, the same way for every walk of every computer. A
// process is left out (nothing) when its stat is gone, its statm while the counters are read, or its status
// while swap is in use. Malformed texts, and processor times too large to add, raise "Generic failure" naming
// /proc/PID/FILE.
class ProcessSampleBuilder final {
public:
    // counters: the memory and time counters are wanted, not only the names. swapInUse: some memory is
    // swapped out (MemInfo::swapInUse), so each process's swapped part is read from its status.
    ProcessSampleBuilder(bool counters, bool swapInUse) noexcept;

    // The files a walk reads for each process besides stat.
    bool readsStatm() const noexcept { return m_counters; }
    bool readsStatus() const noexcept { return m_counters && m_swapInUse; }

    std::optional<ProcessSample> build(std::int32_t pid, const ProcessFileTexts &texts) const;

    // The same in steps, for a walk that reads each file just before it is needed: the sample from the parsed
    // stat, then what statm and status add (each when the builder reads it; a missing one leaves the process
    // out, as build() does).
    ProcessSample fromStat(std::int32_t pid, const ProcessStat &stat) const;
    void addStatm(ProcessSample &sample, std::string_view statm) const;
    void addStatus(ProcessSample &sample, std::string_view status) const;

private:
    bool m_counters;
    bool m_swapInUse;
};

} // namespace quorvin::mgmt::linux_
