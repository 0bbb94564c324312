#include "mgmt/pcp/ArchiveSource.h"
#include "mgmt/Error.h"
#include "mgmt/Moniker.h"
#include "mgmt/pcp/CollectorThread.h"
#include "mgmt/pcp/PcpConnection.h"
#include "mgmt/pcp/PcpService.h"

#include <algorithm>
#include <ctime>

namespace quorvin::mgmt::pcp {

namespace {

std::string localTimeText(std::int64_t micros)
{
    const std::time_t seconds = static_cast<std::time_t>(micros / 1'000'000);
    std::tm local{};
    char text[64] = "?";
    if (localtime_r(&seconds, &local))
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

} // namespace

// The replay's place and the thread its calls run on.
struct ArchiveSource::Replay {
    std::string path;
    PcpLimits limits;
    CollectorThread thread;
    ArchiveExtent extent;
    std::int64_t seconds = 0; // after the first record
    WhileWaiting whileWaiting;

    std::int64_t positionMicros() const { return extent.firstMicros + seconds * 1'000'000; }

    void run(CollectorThread::Job job)
    {
        if (!thread.run(std::move(job), limits.answer, whileWaiting))
            throw Error(err::Failed, "The PCP archive " + path + " gave no answer within " +
                                         std::to_string(limits.answer.count() / 1000) + " seconds.");
    }

    Sample fetch(std::span<const MetricNeed> metrics)
    {
        if (positionMicros() > extent.endMicros) {
            // Said once: the replay stays at the end, where the next fetch finds the last values.
            seconds = (extent.endMicros - extent.firstMicros) / 1'000'000;
            throw Error(err::Failed, "The PCP archive " + path + " ends at " +
                                         localTimeText(extent.endMicros) +
                                         ": the replay is over, and the pages show its last values.");
        }
        const auto sample = std::make_shared<Sample>();
        const std::int64_t at = positionMicros();
        run([sample, metrics, at](std::unique_ptr<PcpConnection> &connection) {
            *sample = connection->fetch(metrics, at);
        });
        return std::move(*sample);
    }
};

ArchiveSource::ArchiveSource(std::string path, std::string localHostName, PcpLimits limits)
    : m_path(std::move(path)), m_localHostName(std::move(localHostName)), m_replay(std::make_shared<Replay>())
{
    m_replay->path = m_path;
    m_replay->limits = limits;
    const auto extent = std::make_shared<ArchiveExtent>();
    m_replay->run([path = m_path, extent](std::unique_ptr<PcpConnection> &connection) {
        connection = PcpConnection::toArchive(path);
        *extent = connection->extent(allMetrics());
    });
    m_replay->extent = *extent;
    m_hostName = extent->hostName;
}

ArchiveSource::~ArchiveSource() = default;

std::unique_ptr<Service> ArchiveSource::connect(std::string_view monikerText)
{
    const Moniker moniker = parseMoniker(monikerText);
    const bool ownName = !m_hostName.empty() && equalsIgnoringCase(moniker.computer, m_hostName);
    if (!ownName && !isLocalComputerName(moniker.computer, m_localHostName))
        throw Error(err::RemoteServerUnavailable, Error::standardDescription(err::RemoteServerUnavailable) +
                                                      " (the PCP archive " + m_path + " holds " + m_hostName +
                                                      " only)");
    return std::make_unique<PcpService>(
        [replay = m_replay](std::span<const MetricNeed> metrics) { return replay->fetch(metrics); });
}

void ArchiveSource::setWhileWaiting(WhileWaiting whileWaiting)
{
    m_replay->whileWaiting = std::move(whileWaiting);
}

void ArchiveSource::pollSecond()
{
    ++m_replay->seconds;
}

std::optional<std::chrono::system_clock::time_point> ArchiveSource::answersTime() const
{
    const std::int64_t at = std::min(m_replay->positionMicros(), m_replay->extent.endMicros);
    return std::chrono::system_clock::time_point(std::chrono::microseconds(at));
}

} // namespace quorvin::mgmt::pcp
