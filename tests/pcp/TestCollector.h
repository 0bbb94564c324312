#pragma once
#include <string>
#include <vector>

namespace quorvin::test {

// One collector of tests/infra/pcp-up.sh, in network namespace NAME on SUBNET.2, up while this object lives:
// pmcd with the root, pmcd, proc and linux agents, and two idle processes, qvidle and qvquiet.
class TestCollector final {
public:
    // What this machine lacks to run one (root, debootstrap, unshare, nsenter, ip); empty when nothing.
    static std::string missingTools();

    // Kept in WORK_DIR/NAME. Building the shared tree the first time takes minutes on a slow mirror.
    TestCollector(const std::string &workDir, std::string name, std::string subnet, bool refuseProcesses);
    ~TestCollector();
    TestCollector(const TestCollector &) = delete;
    TestCollector &operator=(const TestCollector &) = delete;

    // pcp-ctl.sh DIR ARGUMENTS...: runs the collector's own tools, writes archives, stalls and resumes it.
    std::string ctl(std::vector<std::string> arguments) const;
    std::string overTcp() const { return "pcp://" + m_subnet + ".2"; }
    const std::string &name() const { return m_name; }
    const std::string &dir() const { return m_dir; }
    // The process ID the collector gives a process of PCP_PROCS.
    int pidOf(const std::string &process) const;
    // The value pminfo -f gives for a single value, or for the instance of that number or name, as text.
    std::string pminfo(const std::string &metric, const std::string &instance = {}) const;
    double pminfoNumber(const std::string &metric, const std::string &instance = {}) const;

private:
    std::string m_name, m_subnet, m_dir;
};

} // namespace quorvin::test
