#pragma once
#include "mgmt/remote/RemoteShell.h"
#include "mgmt/remote/SshBusBridge.h"
#include "mgmt/remote/SshSession.h"
#include "mgmt/remote/SshSettings.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace quorvin::mgmt::remote {

// One computer watched over SSH: its connection is opened when first needed, kept while it is in use, opened
// anew after it was lost, and closed after an idle time.
class RemoteComputer final : public RemoteShell {
public:
    RemoteComputer(std::string name, SshSettings settings, HostKeyQuestion question);

    // The open session, connecting first when there is none.
    SshSession &session();
    // Runs commands on the computer; a lost connection is dropped, so that the next call connects anew.
    SshSession::Answer run(std::string_view commands);
    std::string output(std::string_view commands) override { return run(commands).output; }
    std::uint64_t ticksPerSecond() override { return session().ticksPerSecond(); }
    std::uint64_t pageSize() override { return session().pageSize(); }
    // Runs something that uses the session directly, with the same care.
    void use(const std::function<void(SshSession &)> &work);
    void withBus(const std::function<void(sd_bus *)> &work) override;

    // Not while the connection is in use: a window that paints while it waits may ask in between.
    void closeIfIdle(std::chrono::steady_clock::time_point now);
    void setWhileWaiting(std::function<void()> whileWaiting);
    bool connected() const noexcept { return m_session != nullptr; }
    const std::string &name() const noexcept { return m_name; }

private:
    void dropSession() noexcept;

    std::string m_name;
    SshSettings m_settings;
    HostKeyQuestion m_question;
    std::function<void()> m_whileWaiting;
    std::unique_ptr<SshSession> m_session;
    std::unique_ptr<SshBusBridge> m_bridge; // over m_session: declared after it, so that it goes first
    int m_inUse = 0;
    std::chrono::steady_clock::time_point m_lastUsed;
};

} // namespace quorvin::mgmt::remote
