#include "mgmt/remote/SshBusBridge.h"
#include "mgmt/Error.h"
#include "mgmt/linux/BusGreeting.h"
#include "mgmt/remote/SshSession.h"

#include <libssh/libssh.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvin::mgmt::remote {

namespace {

// A bus that says nothing for this long is not going to: the refresh gives up with a clear error.
constexpr std::chrono::seconds GreetingLimit{5};
// How long the computer may keep what the bus writes from leaving this one.
constexpr int FlushLimitMs = 5000;
constexpr int CallPollMs = 10;
// A call's answer is at most a few megabytes (every unit of a large system); a bridge that sends more in one
// call floods this program, whose sd-bus keeps every message it is not waiting for.
constexpr std::size_t MaxCallBytes = 16 * 1024 * 1024;
constexpr std::size_t MaxCallMessages = 10000;

[[noreturn]] void unavailable(const std::string &why)
{
    throw Error(err::Failed, "The service manager is not available: " + why);
}

} // namespace

// A call's time on the bus: the session's lease is held and the pump runs; both end with the call.
class SshBusBridge::Pumping final {
public:
    explicit Pumping(SshBusBridge &bridge) : m_bridge(bridge), m_lease(bridge.m_session.lease())
    {
        m_bridge.activate(m_lease.handle());
    }
    ~Pumping() { m_bridge.deactivate(); } // before the lease is given back
    Pumping(const Pumping &) = delete;
    Pumping &operator=(const Pumping &) = delete;

private:
    SshBusBridge &m_bridge;
    SshSession::Lease m_lease;
};

SshBusBridge::SshBusBridge(SshSession &session) : m_session(session), m_meter(MaxCallBytes, MaxCallMessages)
{
    SshSession::Lease lease = session.lease();
    m_channel = ssh_channel_new(lease.handle());
    if (!m_channel || ssh_channel_open_session(m_channel) != SSH_OK ||
        ssh_channel_request_exec(m_channel, session.busBridgeCommand().c_str()) != SSH_OK) {
        stop();
        unavailable("no bridge to the system bus of " + session.computer() + " could be started (" +
                    ssh_get_error(lease.handle()) + ")");
    }
    int ends[2];
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wake < 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        stop();
        unavailable(std::strerror(errno));
    }
    m_busEnd = ends[0];
    m_pumpEnd = ends[1];
    ::fcntl(m_pumpEnd, F_SETFL, O_NONBLOCK);
    m_pump = std::thread([this] { pump(); });
    activate(lease.handle());

    sd_bus *bus = nullptr;
    int result = sd_bus_new(&bus);
    if (result >= 0) {
        m_bus.reset(bus);
        result = sd_bus_set_fd(bus, m_busEnd, m_busEnd);
    }
    if (result >= 0) {
        m_busEnd = -1; // the bus owns it now
        result = sd_bus_set_bus_client(bus, 1);
    }
    if (result >= 0)
        result = sd_bus_set_method_call_timeout(bus, static_cast<uint64_t>(session.answerTimeoutMs()) * 1000);
    if (result >= 0)
        result = sd_bus_start(bus);
    if (result < 0) {
        stop();
        unavailable("the system bus of " + session.computer() + " cannot be reached (" +
                    std::strerror(-result) + ")");
    }
    try {
        linux_::awaitGreeting(bus, GreetingLimit);
    } catch (const Error &e) {
        stop();
        raiseFailure(e);
    }
    deactivate();
}

SshBusBridge::~SshBusBridge()
{
    stop();
}

void SshBusBridge::call(const std::function<void(sd_bus *)> &work)
{
    try {
        const Pumping pumping(*this);
        work(m_bus.get());
    } catch (const Error &e) {
        raiseFailure(e);
    }
}

bool SshBusBridge::broken() const noexcept
{
    return m_channelFailed || m_overran || !m_bus || sd_bus_is_open(m_bus.get()) <= 0;
}

void SshBusBridge::activate(ssh_session_struct *handle)
{
    const std::lock_guard lock(m_stateMutex);
    m_handle = handle;
    m_meter.startCall();
    m_active = true;
    m_stateChanged.notify_all();
}

// Returns once the pump has left the session alone.
void SshBusBridge::deactivate() noexcept
{
    {
        const std::lock_guard lock(m_stateMutex);
        m_active = false;
    }
    wake();
    std::unique_lock lock(m_stateMutex);
    m_stateChanged.wait(lock, [this] { return !m_pumping; });
    m_handle = nullptr;
}

void SshBusBridge::wake() noexcept
{
    if (m_wake >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
    }
}

// When the bridge sent too much, or went away, that tells more than the bus's "not connected".
void SshBusBridge::raiseFailure(const Error &error)
{
    if (m_overran)
        unavailable(m_session.computer() + " sent " + m_meter.bounds() +
                    " in one call over its bridge to the system bus.");
    if (!m_channelFailed)
        throw error;
    std::string said;
    {
        const std::lock_guard lock(m_complaintMutex);
        said = m_complaint;
    }
    while (!said.empty() && (said.back() == '\n' || said.back() == ' '))
        said.pop_back();
    if (!said.empty())
        unavailable(m_session.computer() + " answered: " + said);
    unavailable("the bridge to the system bus of " + m_session.computer() +
                " ended at once; does it run systemd?");
}

void SshBusBridge::stop() noexcept
{
    // The pump ends before the sockets it writes to are closed.
    {
        const std::lock_guard lock(m_stateMutex);
        m_stopping = true;
        m_active = false;
        m_stateChanged.notify_all();
    }
    wake();
    if (m_pump.joinable())
        m_pump.join();
    m_bus.reset();
    for (int *fd : {&m_busEnd, &m_pumpEnd, &m_wake})
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    if (m_channel) {
        ssh_channel_send_eof(m_channel);
        ssh_channel_close(m_channel);
        ssh_channel_free(m_channel);
        m_channel = nullptr;
    }
}

// Sends everything to the channel: a remote side that reads slowly takes it in several writes.
bool SshBusBridge::writeToChannel(const char *data, std::size_t size)
{
    while (size > 0 && !m_stopping) {
        const int written = ssh_channel_write(m_channel, data, static_cast<uint32_t>(size));
        if (written < 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Sends what waits for the bus, waiting while its socket is full, until all of it is sent or the call ends.
// The bus is read only during calls, and the caller waits for the pump at the end of each: what is left then
// is sent first at the next call. MSG_NOSIGNAL: a bus that closed is EPIPE here, never SIGPIPE.
bool SshBusBridge::sendToBus()
{
    while (!m_toBus.empty() && m_active && !m_stopping) {
        const ssize_t written =
            ::send(m_pumpEnd, m_toBus.data(), m_toBus.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (written > 0) {
            m_toBus.erase(0, static_cast<std::size_t>(written));
        } else if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd ready[2] = {{m_pumpEnd, POLLOUT, 0}, {m_wake, POLLIN, 0}};
            if (::poll(ready, 2, 50) > 0 && (ready[1].revents & POLLIN)) {
                std::uint64_t count = 0;
                [[maybe_unused]] const ssize_t got = ::read(m_wake, &count, sizeof count);
            }
        } else {
            return false;
        }
    }
    return true;
}

// Waits for a call, pumps while it runs, and waits again; a stop ends it.
void SshBusBridge::pump()
{
    std::unique_lock lock(m_stateMutex);
    for (;;) {
        m_stateChanged.wait(lock, [this] { return m_active || m_stopping; });
        if (m_stopping)
            return;
        m_pumping = true;
        ssh_session_struct *handle = m_handle;
        lock.unlock();
        pumpWhileActive(handle);
        lock.lock();
        m_pumping = false;
        m_stateChanged.notify_all();
        m_stateChanged.wait(lock, [this] { return !m_active || m_stopping; });
    }
}

void SshBusBridge::pumpWhileActive(ssh_session_struct *handle)
{
    char buffer[65536];
    const int sessionFd = ssh_get_fd(handle);
    while (m_active && !m_stopping) {
        if (!sendToBus()) // what the last call left
            break;
        if (!m_toBus.empty())
            continue; // this call ended too
        int said = 0;
        while ((said = ssh_channel_read_nonblocking(m_channel, buffer, sizeof buffer, 1)) > 0) {
            const std::lock_guard lock(m_complaintMutex);
            if (m_complaint.size() < 4096)
                m_complaint.append(buffer, static_cast<std::size_t>(said));
        }
        const int fromRemote = ssh_channel_read_nonblocking(m_channel, buffer, sizeof buffer, 0);
        if (fromRemote > 0 && !m_meter.take(buffer, static_cast<std::size_t>(fromRemote))) {
            m_overran = true;
            ::shutdown(m_pumpEnd, SHUT_RDWR); // the waiting call fails at once
            return;
        }
        if (fromRemote > 0) {
            m_toBus.assign(buffer, static_cast<std::size_t>(fromRemote));
            if (!sendToBus())
                break;
        }
        // A bridge that ended has its last words delivered first.
        if (fromRemote < 0 || said < 0 || (m_toBus.empty() && ssh_channel_is_eof(m_channel))) {
            m_channelFailed = true;
            ::shutdown(m_pumpEnd, SHUT_RDWR); // the waiting call fails at once
            return;
        }
        const ssize_t fromBus = ::recv(m_pumpEnd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (fromBus > 0) {
            // Sent now, not when libssh next gets a turn: the pump waits for answers, not to send.
            if (!writeToChannel(buffer, static_cast<std::size_t>(fromBus)) ||
                ssh_blocking_flush(handle, FlushLimitMs) == SSH_ERROR) {
                m_channelFailed = true;
                ::shutdown(m_pumpEnd, SHUT_RDWR);
                return;
            }
        } else if (fromBus == 0 || (errno != EAGAIN && errno != EINTR)) {
            return; // the bus is closed
        }
        if (fromRemote == 0 && fromBus < 0) {
            // Woken by the bus, the connection or the end of the call. libssh may hold part of an answer that
            // is no longer on the connection, so a call's pump looks again after a short while; between calls
            // the pump does not run at all.
            const bool held = ssh_channel_poll(m_channel, 0) > 0 || ssh_channel_poll(m_channel, 1) > 0;
            pollfd ready[3] = {{m_pumpEnd, POLLIN, 0}, {sessionFd, POLLIN, 0}, {m_wake, POLLIN, 0}};
            if (::poll(ready, 3, held ? 0 : CallPollMs) > 0 && (ready[2].revents & POLLIN)) {
                std::uint64_t count = 0;
                [[maybe_unused]] const ssize_t got = ::read(m_wake, &count, sizeof count);
            }
        }
    }
}

} // namespace quorvin::mgmt::remote
