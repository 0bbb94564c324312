#include "fleet/Scheduler.h"

#include <algorithm>

namespace quorvin::fleet {

Scheduler::Scheduler(Settings settings) : m_settings(settings) {}

void Scheduler::add(Id id, Time now)
{
    m_entries.try_emplace(id, Entry{now, std::nullopt, 0, false});
}

void Scheduler::remove(Id id)
{
    const auto found = m_entries.find(id);
    if (found == m_entries.end())
        return;
    if (found->second.outSince && !found->second.answering)
        --m_connectingOut;
    m_entries.erase(found);
}

Scheduler::Time Scheduler::onGrid(Time moment) const
{
    if (m_settings.slot <= Duration::zero())
        return moment;
    const auto since = moment.time_since_epoch();
    const auto slots = (since + m_settings.slot - Duration(1)) / m_settings.slot;
    return Time(slots * m_settings.slot);
}

bool Scheduler::mayStart(const Entry &entry) const
{
    return !entry.outSince && (entry.answering || m_connectingOut < m_settings.connectingAtOnce);
}

std::vector<Scheduler::Start> Scheduler::takeDue(Time now)
{
    std::vector<std::pair<Time, Id>> due;
    for (const auto &[id, entry] : m_entries)
        if (!entry.outSince && entry.due <= now)
            due.emplace_back(entry.due, id);
    std::sort(due.begin(), due.end());
    std::vector<Start> starts;
    starts.reserve(due.size());
    for (const auto &[when, id] : due) {
        Entry &entry = m_entries.at(id);
        if (!mayStart(entry))
            continue;
        entry.outSince = now;
        if (!entry.answering)
            ++m_connectingOut;
        starts.push_back({id, !entry.answering});
    }
    return starts;
}

bool Scheduler::finished(Id id, bool answered, Time now)
{
    const auto found = m_entries.find(id);
    if (found == m_entries.end() || !found->second.outSince)
        return false;
    Entry &entry = found->second;
    if (!entry.answering)
        --m_connectingOut;
    if (answered) {
        // A period after it was due, so that neither a late start nor a slow answer pushes the schedule back:
        // one that came later than that is asked again in the next slot.
        entry.due = onGrid(std::max(entry.due + m_settings.period, now));
        entry.failures = 0;
    } else {
        entry.failures = std::min(entry.failures + 1, 30);
        entry.due = onGrid(now + retryWait(entry.failures));
    }
    entry.answering = answered;
    entry.outSince.reset();
    return true;
}

std::optional<Scheduler::Time> Scheduler::nextDue() const
{
    std::optional<Time> next;
    for (const auto &[id, entry] : m_entries)
        if (mayStart(entry) && (!next || entry.due < *next))
            next = entry.due;
    return next;
}

bool Scheduler::isOut(Id id) const
{
    const auto found = m_entries.find(id);
    return found != m_entries.end() && found->second.outSince.has_value();
}

std::optional<Scheduler::Time> Scheduler::outSince(Id id) const
{
    const auto found = m_entries.find(id);
    return found == m_entries.end() ? std::nullopt : found->second.outSince;
}

Scheduler::Duration Scheduler::retryWait(int failures) const
{
    Duration wait = m_settings.firstRetry;
    for (int i = 1; i < failures && wait < m_settings.longestRetry; ++i)
        wait *= 2;
    return std::min(wait, m_settings.longestRetry);
}

} // namespace quorvin::fleet
