#include "NetworkNamespace.h"

#include "Command.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/mount.h>
#include <unistd.h>

namespace quorvin::test {

namespace {

constexpr const char *Prefix = "quorvin-";
constexpr const char *NamespaceDir = "/run/netns";
constexpr int FirstSubnet = 20;
constexpr int LastSubnet = 249;
constexpr auto IpLimit = std::chrono::seconds(10);

std::string linkName(const char *side, int subnet)
{
    return std::string("qv") + side + std::to_string(subnet);
}

void ip(const std::vector<std::string> &arguments)
{
    std::vector<std::string> argv{"ip"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    Command::check(argv, IpLimit);
}

// "quorvin-<pid>-<subnet>" → pid and subnet; false for other names.
bool parseName(const std::string &name, pid_t &pid, int &subnet)
{
    if (!name.starts_with(Prefix))
        return false;
    std::istringstream rest(name.substr(std::string(Prefix).size()));
    char dash = 0;
    return (rest >> pid >> dash >> subnet) && dash == '-' && rest.peek() == EOF;
}

// A test process killed outright takes its daemons along (they get a signal when it dies), but not the
// namespace names and links it made.
void removeLeftovers()
{
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator(NamespaceDir, ignored)) {
        const std::string name = entry.path().filename();
        pid_t owner = 0;
        int subnet = 0;
        if (!parseName(name, owner, subnet) || ::kill(owner, 0) == 0 || errno != ESRCH)
            continue;
        Command::run({"ip", "link", "del", linkName("r", subnet)}, IpLimit);
        Command::run({"ip", "netns", "del", name}, IpLimit);
    }
}

bool isMountPoint(const std::string &path)
{
    std::ifstream mounts("/proc/self/mountinfo");
    for (std::string line; std::getline(mounts, line);) {
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        if ((fields >> id >> parent >> device >> root >> mountPoint) && mountPoint == path)
            return true;
    }
    return false;
}

// `ip netns add` turns /run/netns into a mount of its own the first time; once the last namespace is gone
// it is unmounted again, so that nothing is left. A namespace that another process adds meanwhile keeps it
// busy (the unmount then fails), or is mounted in the plain directory, where it works the same.
void releaseNamespaceDir()
{
    std::error_code ignored;
    if (std::filesystem::is_empty(NamespaceDir, ignored) && isMountPoint(NamespaceDir))
        ::umount2(NamespaceDir, 0);
}

} // namespace

std::string NetworkNamespace::missingTools()
{
    static const std::string missing = [] {
        if (::geteuid() != 0)
            return std::string("not root (network namespaces and veth links need root)");
        if (Command::which("ip").empty())
            return std::string("ip is not installed (package iproute2)");
        if (Command::which("unshare").empty())
            return std::string("unshare is not installed (package util-linux)");
        // Made in a throw-away namespace, so that nothing is left whatever happens.
        const Command::Result probe = Command::run(
            {"unshare", "--net", "ip", "link", "add", "qvprobe0", "type", "veth", "peer", "name", "qvprobe1"},
            IpLimit);
        if (!probe.ok())
            return "network namespaces are not available: " + probe.output;
        return std::string();
    }();
    return missing;
}

NetworkNamespace::NetworkNamespace()
{
    removeLeftovers();
    // Parallel test processes start their search at different subnets.
    constexpr int Count = LastSubnet - FirstSubnet + 1;
    const int start = static_cast<int>(::getpid() % Count);
    std::string lastError;
    for (int step = 0; step < Count; ++step) {
        const int subnet = FirstSubnet + (start + step) % Count;
        // Making the root-side link claims the subnet: the name exists once in the root namespace.
        const Command::Result claim = Command::run({"ip", "link", "add", linkName("r", subnet), "type",
                                                    "veth", "peer", "name", linkName("h", subnet)},
                                                   IpLimit);
        if (!claim.ok()) {
            lastError = claim.output;
            if (claim.output.find("File exists") != std::string::npos)
                continue;
            throw std::runtime_error("cannot make a veth pair: " + claim.output);
        }
        m_subnet = subnet;
        m_name = Prefix + std::to_string(::getpid()) + "-" + std::to_string(subnet);
        m_rootLink = linkName("r", subnet);
        m_hostLink = linkName("h", subnet);
        try {
            setUp();
        } catch (...) {
            tearDown();
            throw;
        }
        return;
    }
    throw std::runtime_error("no free subnet among 10.213." + std::to_string(FirstSubnet) + "-" +
                             std::to_string(LastSubnet) + ".0/24: " + lastError);
}

NetworkNamespace::~NetworkNamespace()
{
    tearDown();
}

void NetworkNamespace::setUp()
{
    ip({"netns", "add", m_name});
    ip({"link", "set", m_hostLink, "netns", m_name});
    ip({"addr", "add", rootAddress() + "/24", "dev", m_rootLink});
    ip({"link", "set", m_rootLink, "up"});
    ip({"-n", m_name, "addr", "add", hostAddress() + "/24", "dev", m_hostLink});
    ip({"-n", m_name, "link", "set", m_hostLink, "up"});
    ip({"-n", m_name, "link", "set", "lo", "up"});
}

void NetworkNamespace::tearDown() noexcept
{
    try {
        // Deleting one end deletes both, at once; deleting the namespace name alone leaves the pair until
        // the kernel gets round to freeing the namespace.
        Command::run({"ip", "link", "del", m_rootLink}, IpLimit);
        Command::run({"ip", "netns", "del", m_name}, IpLimit);
        releaseNamespaceDir();
    } catch (...) {
        // Nothing more can be done from a destructor.
    }
}

} // namespace quorvin::test
