#pragma once
#include "mgmt/Source.h"
#include "mgmt/pcp/PcpLimits.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quorvin::mgmt::pcp {

class CollectorThread;

// Replays a pmlogger archive as the computer it was written on: from the archive's first record, one archive
// second for each second of the window's poll. It answers the host name of its label and the names that mean
// this computer; any other name raises 462. At the archive's end a fetch raises an error that says so, once:
// the replay then stays at the end.
class ArchiveSource final : public Source {
public:
    // `path` is the archive's base name or any of its files, compressed ones included. Opens it right away;
    // throws mgmt::Error naming it when it cannot be read.
    ArchiveSource(std::string path, std::string localHostName, PcpLimits limits = {});
    ~ArchiveSource() override;

    std::unique_ptr<Service> connect(std::string_view moniker) override;
    void setWhileWaiting(WhileWaiting whileWaiting) override;
    void pollSecond() override;
    std::optional<std::chrono::system_clock::time_point> answersTime() const override;

    const std::string &hostName() const noexcept { return m_hostName; }

private:
    struct Replay;
    std::string m_path;
    std::string m_localHostName;
    std::string m_hostName;
    std::shared_ptr<Replay> m_replay; // shared with the services
};

} // namespace quorvin::mgmt::pcp
