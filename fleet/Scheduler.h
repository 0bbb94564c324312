#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace quorvin::fleet {

// Who is read when. Each computer is due a period after it was last due, and is never asked again while its
// reading is out. Due times fall on a grid of slots, so that the computers due in one slot are
// asked together and the window wakes a few times a second, not once for each computer. A computer that does
// not answer is tried again after a wait that doubles with each failure; it and the computers not heard from
// yet are "connecting", and only a few of those are out at once, so that computers that answer are never
// queued behind attempts that may take seconds. Told the time by its caller, so that tests run it on a clock
// of their own.
class Scheduler final {
public:
    using Time = std::chrono::steady_clock::time_point;
    using Duration = std::chrono::steady_clock::duration;
    using Id = std::uint64_t;

    struct Settings {
        Duration period = std::chrono::seconds(1);
        Duration firstRetry = std::chrono::seconds(1);
        Duration longestRetry = std::chrono::seconds(60);
        std::size_t connectingAtOnce = 8;
        Duration slot = std::chrono::milliseconds(250); // zero: no grid
    };

    struct Start {
        Id id = 0;
        bool connecting = false; // not known to answer: a new computer, or one whose last reading failed
    };

    Scheduler() : Scheduler(Settings{}) {}
    explicit Scheduler(Settings settings);

    // Due at once. An id already known is left as it is.
    void add(Id id, Time now);
    // Forgets it; a reading of it that is out no longer counts.
    void remove(Id id);
    // The computers due by `now`, earliest first, each marked out.
    std::vector<Start> takeDue(Time now);
    // Its reading came back. False for a computer removed meanwhile.
    bool finished(Id id, bool answered, Time now);
    // When takeDue will next give a computer; nothing while none is waiting to be asked.
    std::optional<Time> nextDue() const;

    bool isOut(Id id) const;
    // Since when its reading is out.
    std::optional<Time> outSince(Id id) const;
    // The wait before the next attempt after this many failures in a row.
    Duration retryWait(int failures) const;

private:
    struct Entry {
        Time due;
        std::optional<Time> outSince;
        int failures = 0;
        bool answering = false;
    };

    bool mayStart(const Entry &entry) const;
    // The first slot's start at or after `moment`.
    Time onGrid(Time moment) const;

    Settings m_settings;
    std::unordered_map<Id, Entry> m_entries;
    std::size_t m_connectingOut = 0;
};

} // namespace quorvin::fleet
