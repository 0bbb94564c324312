#pragma once
#include <string>
#include <vector>

namespace quorvin::test {

// A network namespace for a remote host, joined to the root namespace (where the tests run) by a veth pair
// on a subnet of its own: 10.213.X.1 on the root side, 10.213.X.2 on the host side. X is free among all the
// test processes of this computer, so that hosts of parallel tests coexist.
class NetworkNamespace final {
public:
    // What keeps one from being made here ("not root", "network namespaces are not available: …"); empty
    // when nothing does.
    static std::string missingTools();

    // Also removes the namespaces and links of test processes that were killed. Throws std::runtime_error
    // with the failing command's output.
    NetworkNamespace();
    NetworkNamespace(const NetworkNamespace &) = delete;
    NetworkNamespace &operator=(const NetworkNamespace &) = delete;
    ~NetworkNamespace();

    // "quorvin-<test pid>-<X>", as `ip netns list` shows it.
    const std::string &name() const noexcept { return m_name; }
    // /run/netns/<name>, for programs that join a namespace by path.
    std::string path() const { return "/run/netns/" + m_name; }
    // The prefix that runs a command inside: ip netns exec <name>.
    std::vector<std::string> execPrefix() const { return {"ip", "netns", "exec", m_name}; }

    int subnet() const noexcept { return m_subnet; }
    std::string rootAddress() const { return "10.213." + std::to_string(m_subnet) + ".1"; }
    std::string hostAddress() const { return "10.213." + std::to_string(m_subnet) + ".2"; }
    // The veth ends: "qvr<X>" in the root namespace (set it down to cut the host off), "qvh<X>" inside.
    const std::string &rootLink() const noexcept { return m_rootLink; }
    const std::string &hostLink() const noexcept { return m_hostLink; }

private:
    void setUp();
    void tearDown() noexcept;

    int m_subnet = 0;
    std::string m_name;
    std::string m_rootLink;
    std::string m_hostLink;
};

} // namespace quorvin::test
