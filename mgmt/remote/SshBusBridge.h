#pragma once
#include "mgmt/Error.h"
#include "mgmt/linux/BusHandle.h"
#include "mgmt/remote/BusStreamMeter.h"
#include "mgmt/remote/SshSession.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

struct ssh_channel_struct;
struct ssh_session_struct;

namespace quorvin::mgmt::remote {

// The computer's system bus, reached through an SSH channel that runs systemd-stdio-bridge there, so that the
// same sd-bus code serves the local and a remote service manager. It is kept for as many calls as the
// connection lasts. During a call, and only then, a pump on a thread of its own moves the bus's bytes between
// the channel and a socket, woken by either side; the session's lease, held for the call, keeps everything
// else off the session meanwhile. What the bridge sends in one call is bounded (BusStreamMeter): past the
// bound the bridge is broken and the call fails at once.
class SshBusBridge final {
public:
    // Sets the bridge up and waits for the bus to greet, under a lease of the session that it gives back.
    // Throws "The service manager is not available: …" when the bridge does not come up.
    explicit SshBusBridge(SshSession &session);
    ~SshBusBridge();
    SshBusBridge(const SshBusBridge &) = delete;
    SshBusBridge &operator=(const SshBusBridge &) = delete;

    // Runs a call on the bus. When the bridge itself went away meanwhile (the computer has no system bus),
    // the error says what the bridge said instead of the bus's "not connected".
    void call(const std::function<void(sd_bus *)> &work);
    // The channel or the bus has gone: another bridge is needed.
    bool broken() const noexcept;

private:
    class Pumping;

    [[noreturn]] void raiseFailure(const Error &error);
    void activate(ssh_session_struct *handle);
    void deactivate() noexcept;
    void wake() noexcept;
    void pump();
    void pumpWhileActive(ssh_session_struct *handle);
    bool writeToChannel(const char *data, std::size_t size);
    bool sendToBus();
    void stop() noexcept;

    SshSession &m_session;
    ssh_channel_struct *m_channel = nullptr;
    int m_busEnd = -1;  // sd-bus's side of the socket pair
    int m_pumpEnd = -1; // the pump's side
    int m_wake = -1;    // an eventfd: the end of a call, or a stop, wakes the pump at once
    std::mutex m_stateMutex;
    std::condition_variable m_stateChanged;
    std::atomic<bool> m_active{false};      // a call runs: pump
    bool m_pumping = false;                 // the pump is inside a call's pumping
    ssh_session_struct *m_handle = nullptr; // the leased session, while active
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_channelFailed{false};
    std::atomic<bool> m_overran{false};
    BusStreamMeter m_meter; // the pump's, restarted by each call's activation
    std::mutex m_complaintMutex;
    std::string m_complaint; // what the bridge wrote to its error stream
    std::string m_toBus;     // the pump's: what the computer sent that the bus has not taken yet
    std::thread m_pump;
    linux_::BusPtr m_bus;
};

} // namespace quorvin::mgmt::remote
