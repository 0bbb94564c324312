#include "mgmt/remote/SshBusBridge.h"
#include "mgmt/Error.h"
#include "mgmt/linux/SystemBus.h"
#include "mgmt/remote/SshSession.h"

#include <libssh/libssh.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvin::mgmt::remote {

namespace {

// A bus that says nothing for this long is not going to: the refresh gives up with a clear error.
constexpr std::chrono::seconds GreetingLimit{5};

[[noreturn]] void unavailable(const std::string &why)
{
    throw Error(err::Failed, "The service manager is not available: " + why);
}

// Writes everything to a non-blocking socket, waiting while it is full. MSG_NOSIGNAL: a peer that closed
// raises EPIPE here instead of ending the program with SIGPIPE.
bool writeAll(int fd, const char *data, std::size_t size, const std::atomic<bool> &stopping)
{
    while (size > 0 && !stopping) {
        const ssize_t written = ::send(fd, data, size, MSG_NOSIGNAL);
        if (written > 0) {
            data += written;
            size -= static_cast<std::size_t>(written);
        } else if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd ready{fd, POLLOUT, 0};
            ::poll(&ready, 1, 50);
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

SshBusBridge::SshBusBridge(SshSession::Lease lease) : m_lease(std::move(lease))
{
    const SshSession &session = m_lease.session();
    m_channel = ssh_channel_new(m_lease.handle());
    if (!m_channel || ssh_channel_open_session(m_channel) != SSH_OK ||
        ssh_channel_request_exec(m_channel, session.busBridgeCommand().c_str()) != SSH_OK) {
        stop();
        unavailable("no bridge to the system bus of " + session.computer() + " could be started (" +
                    ssh_get_error(m_lease.handle()) + ")");
    }
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        stop();
        unavailable(std::strerror(errno));
    }
    m_busEnd = ends[0];
    m_pumpEnd = ends[1];
    ::fcntl(m_pumpEnd, F_SETFL, O_NONBLOCK);
    m_pump = std::thread([this] { pump(); });

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
}

SshBusBridge::~SshBusBridge()
{
    stop();
}

void SshBusBridge::call(const std::function<void(sd_bus *)> &work)
{
    try {
        work(m_bus.get());
    } catch (const Error &e) {
        raiseFailure(e);
    }
}

// When the bridge itself went away, what it said tells more than the bus's "not connected".
void SshBusBridge::raiseFailure(const Error &error)
{
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
        unavailable(m_lease.session().computer() + " answered: " + said);
    unavailable("the bridge to the system bus of " + m_lease.session().computer() +
                " ended at once; does it run systemd?");
}

void SshBusBridge::stop() noexcept
{
    // The pump ends before the sockets it writes to are closed.
    m_stopping = true;
    if (m_pump.joinable())
        m_pump.join();
    m_bus.reset();
    for (int *fd : {&m_busEnd, &m_pumpEnd})
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

void SshBusBridge::pump()
{
    char buffer[65536];
    const int sessionFd = ssh_get_fd(m_lease.handle());
    while (!m_stopping) {
        int said = 0;
        while ((said = ssh_channel_read_nonblocking(m_channel, buffer, sizeof buffer, 1)) > 0) {
            const std::lock_guard lock(m_complaintMutex);
            if (m_complaint.size() < 4096)
                m_complaint.append(buffer, static_cast<std::size_t>(said));
        }
        const int fromRemote = ssh_channel_read_nonblocking(m_channel, buffer, sizeof buffer, 0);
        if (fromRemote > 0 && !writeAll(m_pumpEnd, buffer, static_cast<std::size_t>(fromRemote), m_stopping))
            break;
        if (fromRemote < 0 || said < 0 || ssh_channel_is_eof(m_channel)) {
            m_channelFailed = true;
            break;
        }
        const ssize_t fromBus = ::recv(m_pumpEnd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (fromBus > 0) {
            if (!writeToChannel(buffer, static_cast<std::size_t>(fromBus))) {
                m_channelFailed = true;
                break;
            }
        } else if (fromBus == 0 || (errno != EAGAIN && errno != EINTR)) {
            break; // the bus is closed
        }
        if (fromRemote == 0 && fromBus < 0) {
            // Wakes on either side; the timeout only bounds how late a stop is noticed.
            pollfd ready[2] = {{m_pumpEnd, POLLIN, 0}, {sessionFd, POLLIN, 0}};
            ::poll(ready, 2, 10);
        }
    }
    ::shutdown(m_pumpEnd, SHUT_RDWR);
}

} // namespace quorvin::mgmt::remote
