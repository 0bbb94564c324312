#include "ContainerSshHost.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netdb.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace quorvin::test {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Port = 22;
// The first build waits for debootstrap and pcp, or for another test that builds them; within the test's 600 s.
constexpr auto BuildLimit = std::chrono::seconds(420);
constexpr auto BootLimit = std::chrono::seconds(120);
constexpr auto PowerOffLimit = std::chrono::seconds(30);

// Mounts a tmpfs and the overlay (the shared tree below, this container's files above) in a mount
// namespace of its own, so that both vanish with the container, then boots. --register=no --keep-unit:
// there is no systemd on this computer to register with.
constexpr const char *BootScript = R"(set -e
mnt=$1 seed=$2 lower=$3 name=$4 netns=$5 nspawn=$6
mount -t tmpfs -o mode=0755 quorvin-container "$mnt"
mkdir "$mnt/upper" "$mnt/work" "$mnt/root"
cp -a "$seed/." "$mnt/upper/"
mount -t overlay overlay -o "lowerdir=$lower,upperdir=$mnt/upper,workdir=$mnt/work" "$mnt/root"
exec "$nspawn" -D "$mnt/root" --boot --register=no --keep-unit -M "$name" \
    --network-namespace-path="$netns" --console=pipe
)";

bool skipRequested()
{
    const char *skip = std::getenv("QUORVIN_SKIP_CONTAINER");
    return skip && std::string(skip) == "1";
}

bool rootFsCurrent()
{
    return Command::run({"bash", QUORVIN_MAKE_ROOTFS, "--check", ContainerSshHost::rootFsDir()}).ok();
}

// Why no TCP connection to the URL's host (or to the HTTP proxy, when one is set) opens within five seconds;
// empty when one does.
std::string unreachable(std::string url)
{
    for (const char *proxy : {"http_proxy", "HTTP_PROXY"})
        if (const char *value = std::getenv(proxy); value && *value) {
            url = value;
            break;
        }
    std::string rest = url.substr(url.find("://") == std::string::npos ? 0 : url.find("://") + 3);
    rest = rest.substr(0, rest.find('/'));
    rest = rest.substr(rest.find('@') == std::string::npos ? 0 : rest.find('@') + 1);
    std::string host = rest;
    std::string port = url.starts_with("https:") ? "443" : "80";
    if (const std::size_t colon = rest.rfind(':'); colon != std::string::npos && rest.back() != ']') {
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
    }
    const std::string where = host + ":" + port;
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0 || !found)
        return where + " does not resolve";
    bool connected = false;
    for (addrinfo *a = found; a && !connected; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0)
            continue;
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
            connected = true;
        } else if (errno == EINPROGRESS) {
            pollfd ready{fd, POLLOUT, 0};
            int error = 0;
            socklen_t length = sizeof error;
            connected = ::poll(&ready, 1, 5000) == 1 &&
                        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
        }
        ::close(fd);
    }
    ::freeaddrinfo(found);
    return connected ? std::string() : where + " does not answer";
}

bool overlayAvailable()
{
    const auto listed = [] {
        std::ifstream filesystems("/proc/filesystems");
        for (std::string line; std::getline(filesystems, line);)
            if (line.ends_with("\toverlay"))
                return true;
        return false;
    };
    return listed() || (Command::run({"modprobe", "overlay"}).ok() && listed());
}

std::string lastLine(const std::string &text)
{
    std::string trimmed = text.substr(0, text.find_last_not_of(" \n") + 1);
    const std::size_t newline = trimmed.rfind('\n');
    return newline == std::string::npos ? trimmed : trimmed.substr(newline + 1);
}

} // namespace

std::string ContainerSshHost::rootFsDir()
{
    return QUORVIN_ROOTFS_DIR;
}

std::string ContainerSshHost::missingTools()
{
    if (skipRequested())
        return "QUORVIN_SKIP_CONTAINER=1 is set";
    static const std::string missingHere = []() -> std::string {
        if (::geteuid() != 0)
            return "not root (booting a container needs root)";
        for (const char *program : {"ssh", "ssh-keygen"})
            if (Command::which(program).empty())
                return std::string(program) + " is not installed (package openssh-client)";
        if (Command::which("systemd-nspawn").empty())
            return "systemd-nspawn is not installed (apt-get install --no-install-recommends "
                   "systemd-container)";
        if (std::string reason = NetworkNamespace::missingTools(); !reason.empty())
            return reason;
        if (!overlayAvailable())
            return "the overlay file system is not available";
        return {};
    }();
    if (!missingHere.empty() || rootFsCurrent())
        return missingHere;
    if (Command::which("debootstrap").empty())
        return "debootstrap is not installed (apt-get install --no-install-recommends debootstrap), and the "
               "container's root file system is not built yet";
    const char *mirror = std::getenv("QUORVIN_DEBIAN_MIRROR");
    if (std::string reason = unreachable(mirror ? mirror : "http://deb.debian.org/debian"); !reason.empty())
        return "no Debian mirror (" + reason +
               "; QUORVIN_DEBIAN_MIRROR sets another), and the container's root "
               "file system is not built yet";
    return {};
}

ContainerSshHost::ContainerSshHost(std::string alias) : SshHost("container")
{
    // The script keeps what it downloaded: after a first attempt that ran out of time, a second one is
    // quicker.
    const auto buildEnd = Clock::now() + BuildLimit;
    Command::Result build;
    for (int attempt = 0; attempt < 2 && !build.ok() && Clock::now() < buildEnd; ++attempt)
        build = Command::run({"bash", QUORVIN_MAKE_ROOTFS, rootFsDir()},
                             std::chrono::duration_cast<std::chrono::milliseconds>(buildEnd - Clock::now()));
    if (!build.ok())
        throw std::runtime_error("the container's root file system could not be built:\n" +
                                 tail(build.output));
    m_network = std::make_unique<NetworkNamespace>();
    if (alias.empty())
        alias = "quorvin-ct" + std::to_string(m_network->subnet());
    describeServer(std::move(alias), m_network->hostAddress(), Port);
    const std::string seed = workDir() + "/seed";
    writeSeed(seed);
    const std::string mountPoint = workDir() + "/mnt";
    std::filesystem::create_directory(mountPoint);
    m_nspawn = std::make_unique<Daemon>(
        std::vector<std::string>{Command::which("unshare"), "--mount", "--propagation", "private", "/bin/sh",
                                 "-c", BootScript, "sh", mountPoint, seed, rootFsDir(), this->alias(),
                                 m_network->path(), Command::which("systemd-nspawn")},
        workDir() + "/nspawn.log", Daemon::Ending::ShutDown, PowerOffLimit);
    waitUntilBooted();
    // The container's first process is the one child of systemd-nspawn.
    const std::vector<pid_t> children = m_nspawn->children();
    m_initPid = children.size() == 1 ? children.front() : 0;
}

ContainerSshHost::~ContainerSshHost() = default;

std::string ContainerSshHost::systemBusAddress() const
{
    return "unix:path=/proc/" + std::to_string(m_initPid) + "/root/run/dbus/system_bus_socket";
}

// The files this container has on top of the shared tree: its host name, host key and root's authorized
// key. Directories keep the shared tree's modes, which the overlay shows from the top layer.
void ContainerSshHost::writeSeed(const std::string &seed) const
{
    namespace fs = std::filesystem;
    fs::create_directory(seed);
    fs::permissions(seed, fs::status(rootFsDir()).permissions());
    for (const char *dir : {"etc", "etc/ssh", "root", "root/.ssh"}) {
        fs::create_directory(seed + "/" + dir);
        const fs::path below = rootFsDir() + "/" + dir;
        fs::permissions(seed + "/" + dir,
                        fs::exists(below) ? fs::status(below).permissions() : fs::perms::owner_all);
    }
    writeFile(seed + "/etc/hostname", alias() + "\n", 0644);
    writeFile(seed + "/etc/ssh/ssh_host_ed25519_key", fileText(hostKeyPath()), 0600);
    writeFile(seed + "/etc/ssh/ssh_host_ed25519_key.pub", fileText(hostPublicKeyPath()), 0644);
    writeFile(seed + "/root/.ssh/authorized_keys", authorizedKey(), 0600);
}

void ContainerSshHost::waitUntilBooted()
{
    const auto end = Clock::now() + BootLimit;
    std::string answer;
    while (Clock::now() < end) {
        if (!m_nspawn->running())
            throw std::runtime_error("the container " + alias() + " stopped while booting:\n" +
                                     tail(m_nspawn->output()));
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        // --wait returns once the boot is over; before sshd listens the connection is refused at once. Until
        // /run/nologin is gone, every login prints its text: the tests would read it in their answers.
        answer = runOverSsh(
                     "systemctl is-system-running --wait; test ! -e /run/nologin || echo logins not open yet",
                     std::max(left, std::chrono::milliseconds(1000)))
                     .output;
        const std::string state = lastLine(answer);
        if (state == "running" || state == "degraded")
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    throw std::runtime_error("the container " + alias() + " did not finish booting within " +
                             std::to_string(BootLimit.count()) + " s; last answer over SSH:\n" +
                             tail(answer, 10) + "\nits console:\n" + tail(m_nspawn->output()));
}

} // namespace quorvin::test
