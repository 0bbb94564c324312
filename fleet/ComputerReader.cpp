#include "fleet/ComputerReader.h"
#include "kit/Clock.h"
#include "kit/NumberFormat.h"
#include "kit/Utilization.h"
#include "mgmt/Convert.h"
#include "mgmt/Error.h"
#include "mgmt/Names.h"
#include "mgmt/Query.h"

#include <array>
#include <charconv>
#include <chrono>

namespace quorvin::fleet {

namespace {

constexpr std::string_view Loopback = "lo";
constexpr std::string_view TotalName = "_Total";

double number(const mgmt::Instance &instance, std::string_view property)
{
    return mgmt::toDouble(instance.get(property));
}

std::string why(const std::exception &error)
{
    if (const auto *failure = dynamic_cast<const mgmt::Error *>(&error))
        return failure->description();
    return error.what();
}

// Runs one part of a reading; a fault of its values empties only that part, and says why.
template <typename Part> void guarded(std::string &whyEmpty, Part part)
{
    try {
        part();
    } catch (const std::exception &error) {
        whyEmpty = why(error);
    }
}

const mgmt::Instance *named(const std::vector<mgmt::Instance> &instances, std::string_view name)
{
    for (const mgmt::Instance &instance : instances)
        if (const mgmt::Value *value = instance.find(mgmt::prop::Name);
            value && value->isText() && value->text() == name)
            return &instance;
    return nullptr;
}

} // namespace

std::optional<std::int64_t> epochOfCimDateTime(std::string_view text)
{
    // "yyyymmddHHMMSS.ffffff+UUU"
    if (text.size() != 25 || text[14] != '.' || (text[21] != '+' && text[21] != '-'))
        return std::nullopt;
    const auto field = [&](std::size_t at, std::size_t length) -> std::optional<int> {
        int value = 0;
        const char *first = text.data() + at;
        const auto [end, error] = std::from_chars(first, first + length, value);
        if (error != std::errc() || end != first + length)
            return std::nullopt;
        return value;
    };
    const auto year = field(0, 4), month = field(4, 2), day = field(6, 2), hour = field(8, 2),
               minute = field(10, 2), second = field(12, 2), offset = field(22, 3);
    if (!year || !month || !day || !hour || !minute || !second || !offset || *hour > 23 || *minute > 59 ||
        *second > 60)
        return std::nullopt;
    using namespace std::chrono;
    const year_month_day date{std::chrono::year(*year), std::chrono::month(static_cast<unsigned>(*month)),
                              std::chrono::day(static_cast<unsigned>(*day))};
    if (!date.ok())
        return std::nullopt;
    const std::int64_t local =
        sys_seconds(sys_days(date)).time_since_epoch().count() + *hour * 3600 + *minute * 60 + *second;
    return local - (text[21] == '-' ? -1 : 1) * *offset * 60;
}

ComputerReader::ComputerReader(std::string computer, SourceMaker makeSource, const Clock &clock)
    : m_computer(std::move(computer)), m_makeSource(std::move(makeSource)), m_clock(clock)
{
}

ComputerReader::~ComputerReader() = default;

ReadOutcome ComputerReader::read(bool withProcesses)
{
    ReadOutcome outcome;
    try {
        if (!m_source)
            m_source = m_makeSource(m_computer);
        // Kept once made: the sources connect again by themselves after a connection was lost.
        if (!m_service)
            m_service = m_source->connect("winmgmts://" + m_computer);
        // The row shows the processors' total alone: a source may then leave each processor's counters out.
        static const std::string ProcessorTotal = mgmt::classQuery(mgmt::cls::ProcessorCounters, TotalName);
        const std::array<std::string_view, 4> asks{mgmt::cls::OperatingSystem, ProcessorTotal,
                                                   mgmt::cls::NetworkInterface, mgmt::cls::ProcessCounters};
        const std::vector<mgmt::ClassAnswer> answers =
            m_service->instancesOfEach(std::span(asks).first(withProcesses ? 4 : 3));
        const double now = m_clock.monotonicSeconds();
        ComputerReading &reading = outcome.reading;
        readSystem(answers.at(0), reading);
        readProcessor(answers.at(1), reading);
        readNetwork(answers.at(2), now, reading);
        if (withProcesses)
            readProcesses(answers.at(3));
        reading.topProcess = m_topProcess;
        reading.topProcessPercent = m_topProcessPercent;
        reading.topProcessWhy = m_topProcessWhy;
        outcome.answered = true;
    } catch (const mgmt::Error &error) {
        outcome.failure =
            error.number() == mgmt::err::AccessDenied ? Failure::AccessDenied : Failure::Unreachable;
        outcome.why = error.description();
    } catch (const std::exception &error) {
        outcome.why = error.what();
    }
    return outcome;
}

void ComputerReader::readSystem(const mgmt::ClassAnswer &answer, ComputerReading &reading) const
{
    guarded(reading.systemWhy, [&] {
        if (answer.error)
            throw *answer.error;
        if (answer.instances.empty())
            return;
        const mgmt::Instance &os = answer.instances.front();
        reading.operatingSystem = mgmt::toText(os.get(mgmt::prop::Caption));
        reading.processes = number(os, mgmt::prop::NumberOfProcesses);
        const double free = number(os, mgmt::prop::FreePhysicalMemory);
        reading.freeKilobytes = free;
        if (const mgmt::Value *total = os.find(mgmt::prop::TotalVisibleMemorySize)) {
            const double all = mgmt::toDouble(*total);
            if (all > 0 && free <= all)
                reading.memoryPercent = roundedAsShown((all - free) / all * 100, 2);
        }
        if (const mgmt::Value *boot = os.find(mgmt::prop::LastBootupTime); boot && boot->isText())
            if (const std::optional<std::int64_t> booted = epochOfCimDateTime(boot->text()))
                reading.upSeconds =
                    std::max<double>(0, static_cast<double>(m_clock.epochSeconds() - *booted));
    });
}

void ComputerReader::readProcessor(const mgmt::ClassAnswer &answer, ComputerReading &reading)
{
    guarded(reading.processorWhy, [&] {
        if (answer.error)
            throw *answer.error;
        const mgmt::Instance *total = named(answer.instances, TotalName);
        if (!total)
            return;
        const double idle = number(*total, mgmt::prop::PercentProcessorTime);
        const double timestamp = number(*total, mgmt::prop::Timestamp);
        if (m_lastIdle)
            if (const std::optional<double> load =
                    processorLoad(m_lastIdle->first, m_lastIdle->second, idle, timestamp))
                m_lastProcessorPercent = load;
        m_lastIdle.emplace(idle, timestamp);
    });
    reading.processorPercent = reading.processorWhy.empty() ? m_lastProcessorPercent : std::nullopt;
}

void ComputerReader::readNetwork(const mgmt::ClassAnswer &answer, double now, ComputerReading &reading)
{
    guarded(reading.networkWhy, [&] {
        if (answer.error)
            throw *answer.error;
        std::map<std::string, std::pair<double, double>> adapters;
        for (const mgmt::Instance &adapter : answer.instances) {
            const std::string name = mgmt::toText(adapter.get(mgmt::prop::Name));
            if (name != Loopback)
                adapters[name] = {number(adapter, mgmt::prop::BytesReceived),
                                  number(adapter, mgmt::prop::BytesSent)};
        }
        const double elapsed = now - m_lastAdaptersAt;
        if (!m_lastAdapters.empty() && elapsed > 0) {
            double received = 0, sent = 0;
            for (const auto &[name, bytes] : adapters) {
                const auto before = m_lastAdapters.find(name);
                // An adapter that came or whose counters went back (it was set up anew) has no rate yet.
                if (before == m_lastAdapters.end() || bytes.first < before->second.first ||
                    bytes.second < before->second.second)
                    continue;
                received += bytes.first - before->second.first;
                sent += bytes.second - before->second.second;
            }
            reading.receivedBitsPerSecond = received * 8 / elapsed;
            reading.sentBitsPerSecond = sent * 8 / elapsed;
        }
        m_lastAdapters = std::move(adapters);
        m_lastAdaptersAt = now;
    });
}

void ComputerReader::readProcesses(const mgmt::ClassAnswer &answer)
{
    m_topProcessWhy.clear();
    guarded(m_topProcessWhy, [&] {
        if (answer.error)
            throw *answer.error;
        const mgmt::PropertyKey idKey(mgmt::prop::IDprocess), nameKey(mgmt::prop::Name),
            timeKey(mgmt::prop::PercentProcessorTime), timestampKey(mgmt::prop::Timestamp),
            startKey(mgmt::prop::StartTime);
        std::map<std::pair<double, std::string>, ProcessSample> samples;
        std::string top;
        std::optional<double> topPercent;
        for (const mgmt::Instance &process : answer.instances) {
            const double id = mgmt::toDouble(process.get(idKey));
            if (id == 0) // "Idle" and "_Total", which are no processes
                continue;
            const mgmt::Value *start = process.find(startKey);
            const std::pair<double, std::string> key{id,
                                                     start && !start->isNull() ? mgmt::toText(*start) : ""};
            const ProcessSample sample{mgmt::toDouble(process.get(timeKey)),
                                       mgmt::toDouble(process.get(timestampKey))};
            const auto before = m_lastProcesses.find(key);
            if (before != m_lastProcesses.end() && sample.timestamp > before->second.timestamp) {
                const double percent = processUtilization(sample.processorTime - before->second.processorTime,
                                                          sample.timestamp - before->second.timestamp);
                if (!topPercent || percent > *topPercent) {
                    topPercent = percent;
                    top = mgmt::toText(process.get(nameKey));
                }
            }
            samples.emplace(key, sample);
        }
        m_lastProcesses = std::move(samples);
        m_topProcess = std::move(top);
        m_topProcessPercent = topPercent;
    });
    if (!m_topProcessWhy.empty()) {
        m_lastProcesses.clear();
        m_topProcess.clear();
        m_topProcessPercent.reset();
    }
}

} // namespace quorvin::fleet
