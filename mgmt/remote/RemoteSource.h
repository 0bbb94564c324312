#pragma once
#include "mgmt/Source.h"
#include "mgmt/remote/SshSettings.h"

#include <map>
#include <memory>
#include <string>

namespace quorvin::mgmt::remote {

class RemoteComputer;

// Answers for this computer from its local source, and for any other computer over SSH, resolving its name as
// the user's own `ssh NAME` would. One connection per computer stays open while it is in use.
class RemoteSource final : public Source {
public:
    RemoteSource(std::unique_ptr<Source> local, std::string localHostName, SshSettings settings,
                 HostKeyQuestion question);
    ~RemoteSource() override;

    // Connects to a remote computer right away, so that an unreachable one raises 462 here.
    std::unique_ptr<Service> connect(std::string_view moniker) override;
    void closeIdleConnections() override;
    void setWhileWaiting(WhileWaiting whileWaiting) override;
    std::optional<std::int64_t> thisProgramsProcessId(std::string_view moniker) override;

    // Computers with an open connection.
    std::size_t openConnections() const;

private:
    std::unique_ptr<Source> m_local;
    std::string m_localHostName;
    SshSettings m_settings;
    HostKeyQuestion m_question;
    WhileWaiting m_whileWaiting;
    std::map<std::string, std::shared_ptr<RemoteComputer>>
        m_computers; // by name, its host part in lower case
};

} // namespace quorvin::mgmt::remote
