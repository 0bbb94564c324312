#pragma once
#include "mgmt/FileDescriptor.h"

#include <cstddef>
#include <optional>

namespace quorvin::mgmt::linux_ {

// Raises the soft limit of open descriptors toward the hard one, once per program, and returns the soft
// limit then in force.
std::size_t raiseOpenFileLimit();

// The descriptors the process walker keeps open between walks, counted by kind within one limit. A kept
// statm or stat saves more than a kept fd directory, so the directories get what the others leave.
class DescriptorBudget final {
public:
    enum class Kind { Stat, Statm, FdDirectory };

    // limit: how many may be kept; by default the raised soft limit less a reserve for the rest of the
    // program.
    explicit DescriptorBudget(std::optional<std::size_t> limit = std::nullopt);

    // Shares the limit out for a walk of that many processes, about as many running as at the last walk.
    void planWalk(std::size_t processes) noexcept;
    bool hasRoomFor(Kind kind) const noexcept;
    // Keeps `opened` in `kept`, counted as the kind.
    void keep(FileDescriptor &kept, int opened, Kind kind) noexcept;
    // Closes `kept` when it is open.
    void close(FileDescriptor &kept, Kind kind) noexcept;
    std::size_t kept() const noexcept { return m_kept; }

private:
    std::size_t &countOf(Kind kind) noexcept { return m_counts[static_cast<std::size_t>(kind)]; }
    std::size_t countOf(Kind kind) const noexcept { return m_counts[static_cast<std::size_t>(kind)]; }

    std::size_t m_limit;
    std::size_t m_kept = 0;
    std::size_t m_counts[3] = {};
    std::size_t m_directoryLimit = 0; // what this walk's statm and stat files leave
};

} // namespace quorvin::mgmt::linux_
