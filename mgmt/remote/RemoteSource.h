#pragma once
#include "mgmt/Source.h"
#include "mgmt/remote/SshSettings.h"

#include <map>
#include <memory>
#include <string>

namespace quorvin::mgmt::remote {

class RemoteComputer;

// Answers for other computers over SSH, resolving each name as the user's own `ssh NAME` would; the names of
// this computer are told apart before they come here. One connection per computer stays open while it is in
// use.
class RemoteSource final : public Source {
public:
    RemoteSource(SshSettings settings, HostKeyQuestion question);
    ~RemoteSource() override;

    // Connects to a remote computer right away, so that an unreachable one raises 462 here.
    std::unique_ptr<Service> connect(std::string_view moniker) override;
    void closeIdleConnections() override;
    void setWhileWaiting(WhileWaiting whileWaiting) override;

    // Computers with an open connection.
    std::size_t openConnections() const;

private:
    SshSettings m_settings;
    HostKeyQuestion m_question;
    WhileWaiting m_whileWaiting;
    std::map<std::string, std::shared_ptr<RemoteComputer>>
        m_computers; // by name, its host part in lower case
};

} // namespace quorvin::mgmt::remote
