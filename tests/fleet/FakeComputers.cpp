#include "FakeComputers.h"
#include "mgmt/Error.h"
#include "mgmt/Moniker.h"
#include "mgmt/Names.h"
#include "mgmt/Query.h"

namespace quorvin::fleet::test {

namespace {

constexpr double OneSecond = 10'000'000; // in 100 ns

class FakeService final : public mgmt::Service {
public:
    FakeService(FakeComputers &computers, std::string name) : m_computers(computers), m_name(std::move(name))
    {
    }

    std::vector<mgmt::Instance> instancesOf(std::string_view className) override
    {
        const std::string_view one[] = {className};
        auto answers = m_computers.read(m_name, one);
        if (answers.front().error)
            throw *answers.front().error;
        return answers.front().instances;
    }
    std::vector<mgmt::Instance> execQuery(std::string_view) override
    {
        throw mgmt::Error(mgmt::err::InvalidQuery);
    }
    std::vector<mgmt::ClassAnswer> instancesOfEach(std::span<const std::string_view> asks) override
    {
        return m_computers.read(m_name, asks);
    }

private:
    FakeComputers &m_computers;
    std::string m_name;
};

class FakeSource final : public mgmt::Source {
public:
    explicit FakeSource(FakeComputers &computers) : m_computers(computers) {}
    std::unique_ptr<mgmt::Service> connect(std::string_view moniker) override
    {
        return std::make_unique<FakeService>(m_computers, mgmt::parseMoniker(moniker).computer);
    }

private:
    FakeComputers &m_computers;
};

mgmt::Instance processCounters(const std::string &name, int id, double time, double timestamp)
{
    return mgmt::Instance({{mgmt::prop::Name, name},
                           {mgmt::prop::IDprocess, id},
                           {mgmt::prop::StartTime, "100"},
                           {mgmt::prop::PercentProcessorTime, std::to_string(time)},
                           {mgmt::prop::Timestamp, std::to_string(timestamp)}});
}

std::vector<mgmt::Instance> instancesOf(const FakeComputers::Computer &c, std::string_view className)
{
    if (className == mgmt::cls::OperatingSystem)
        return {mgmt::Instance(
            {{mgmt::prop::Caption, "Fake Linux 1"},
             {mgmt::prop::FreePhysicalMemory, std::to_string(4'000'000 * (100 - c.memory) / 100)},
             {mgmt::prop::TotalVisibleMemorySize, "4000000"},
             {mgmt::prop::NumberOfProcesses, 42},
             {mgmt::prop::LastBootupTime, "20240101000000.000000+000"}})};
    if (className == mgmt::cls::ProcessorCounters)
        return {mgmt::Instance({{mgmt::prop::Name, "_Total"},
                                {mgmt::prop::PercentProcessorTime, std::to_string(c.idle)},
                                {mgmt::prop::Timestamp, std::to_string(c.timestamp)}})};
    if (className == mgmt::cls::NetworkInterface)
        return {mgmt::Instance({{mgmt::prop::Name, "eth0"},
                                {mgmt::prop::BytesReceived, std::to_string(c.received)},
                                {mgmt::prop::BytesSent, std::to_string(c.received / 2)}})};
    if (className == mgmt::cls::ProcessCounters)
        return {processCounters("Idle", 0, c.idle, c.timestamp),
                processCounters(c.busiest, 10, c.busyTime, c.timestamp),
                processCounters("calm", 11, c.timestamp / 100, c.timestamp),
                processCounters("_Total", 0, c.timestamp, c.timestamp)};
    throw mgmt::Error(mgmt::err::InvalidClass);
}

} // namespace

SourceMaker FakeComputers::maker()
{
    return [this](const std::string &) { return std::make_unique<FakeSource>(*this); };
}

void FakeComputers::set(const std::string &name, const std::function<void(Computer &)> &change)
{
    const std::lock_guard lock(m_mutex);
    change(m_computers[name]);
    m_changed.notify_all();
}

FakeComputers::Computer FakeComputers::get(const std::string &name)
{
    const std::lock_guard lock(m_mutex);
    return m_computers[name];
}

void FakeComputers::release(const std::string &name)
{
    set(name, [](Computer &c) { c.behaviour = Behaviour::Answer; });
}

std::vector<mgmt::ClassAnswer> FakeComputers::read(const std::string &name,
                                                   std::span<const std::string_view> asks)
{
    std::unique_lock lock(m_mutex);
    Computer &c = m_computers[name];
    c.waiting = true;
    m_changed.wait(lock, [&c] { return c.behaviour != Behaviour::Stall; });
    c.waiting = false;
    if (c.behaviour == Behaviour::Unreachable)
        throw mgmt::Error(mgmt::err::RemoteServerUnavailable,
                          "The remote server machine does not exist or is "
                          "unavailable (no answer)");
    if (c.behaviour == Behaviour::Denied)
        throw mgmt::Error(mgmt::err::AccessDenied, "Access is denied. It accepted none of the <keys>.");
    c.timestamp += OneSecond;
    c.idle += OneSecond * (100 - c.load) / 100;
    c.busyTime += OneSecond * c.load / 100;
    c.received += 1000;
    ++c.readings;
    std::vector<mgmt::ClassAnswer> answers;
    for (const std::string_view ask : asks) {
        const mgmt::Query query = mgmt::askOf(ask);
        if (c.refusesProcesses && query.className == mgmt::cls::ProcessCounters)
            answers.push_back(
                {{}, mgmt::Error(mgmt::err::AccessDenied, "Access is denied. No per-process values.")});
        else
            answers.push_back({mgmt::answerOf(query, instancesOf(c, query.className)), std::nullopt});
    }
    return answers;
}

} // namespace quorvin::fleet::test
