#pragma once
#include "mgmt/Error.h"
#include "mgmt/linux/BusHandle.h"
#include "mgmt/remote/SshSession.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

struct ssh_channel_struct;

namespace quorvin::mgmt::remote {

// The computer's system bus, reached through an SSH channel that runs systemd-stdio-bridge there, so that the
// same sd-bus code serves the local and a remote service manager. While it lives, a pump on a thread of its
// own moves the bus's bytes between the channel and a socket; the lease it holds keeps everything else off
// the session meanwhile.
class SshBusBridge final {
public:
    // Throws "The service manager is not available: …" when the bridge does not come up.
    explicit SshBusBridge(SshSession::Lease lease);
    ~SshBusBridge();
    SshBusBridge(const SshBusBridge &) = delete;
    SshBusBridge &operator=(const SshBusBridge &) = delete;

    sd_bus *bus() const noexcept { return m_bus.get(); }

    // Runs a call on the bus. When the bridge itself went away meanwhile (the computer has no system bus),
    // the error says what the bridge said instead of the bus's "not connected".
    void call(const std::function<void(sd_bus *)> &work);

private:
    [[noreturn]] void raiseFailure(const Error &error);
    void pump();
    bool writeToChannel(const char *data, std::size_t size);
    void stop() noexcept;

    SshSession::Lease m_lease; // given back last, once the pump has stopped
    ssh_channel_struct *m_channel = nullptr;
    int m_busEnd = -1;  // sd-bus's side of the socket pair
    int m_pumpEnd = -1; // the pump's side
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_channelFailed{false};
    std::mutex m_complaintMutex;
    std::string m_complaint; // what the bridge wrote to its error stream
    std::thread m_pump;
    linux_::BusPtr m_bus;
};

} // namespace quorvin::mgmt::remote
