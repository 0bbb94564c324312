#include "TestCollector.h"
#include "Command.h"

#include <fstream>
#include <regex>
#include <stdexcept>
#include <unistd.h>

namespace quorvin::test {

namespace {
const std::string Scripts = QUORVIN_INFRA_DIR;
} // namespace

std::string TestCollector::missingTools()
{
    if (::geteuid() != 0)
        return "a collector in namespaces of its own needs root";
    for (const char *tool : {"debootstrap", "unshare", "nsenter", "ip"})
        if (Command::which(tool).empty())
            return std::string(tool) + " is not installed";
    return {};
}

TestCollector::TestCollector(const std::string &workDir, std::string name, std::string subnet,
                             bool refuseProcesses)
    : m_name(std::move(name)), m_subnet(std::move(subnet)), m_dir(workDir + "/" + m_name)
{
    const std::string refuse = refuseProcesses ? "1" : "0";
    Command::check({"env", "PCP_PROCS=qvidle qvquiet", "PCP_REFUSE_PROC=" + refuse, "bash",
                    Scripts + "/pcp-up.sh", m_dir, m_name, m_subnet, QUORVIN_ROOTFS_DIR},
                   std::chrono::seconds(540));
}

TestCollector::~TestCollector()
{
    Command::run({"bash", Scripts + "/pcp-down.sh", m_dir});
}

std::string TestCollector::ctl(std::vector<std::string> arguments) const
{
    arguments.insert(arguments.begin(), {"bash", Scripts + "/pcp-ctl.sh", m_dir});
    return Command::check(arguments, std::chrono::seconds(60));
}

int TestCollector::pidOf(const std::string &process) const
{
    std::ifstream procs(m_dir + "/procs");
    int pid = 0;
    std::string name;
    while (procs >> pid >> name)
        if (name == process)
            return pid;
    return 0;
}

std::string TestCollector::pminfo(const std::string &metric, const std::string &instance) const
{
    const std::string output = ctl({"run", "pminfo", "-f", metric});
    const bool number = !instance.empty() && instance.find_first_not_of("0123456789") == std::string::npos;
    const std::string which = number ? instance + R"( or [^\]]*)" : R"(\d+ or ")" + instance + "\"";
    const std::regex line(instance.empty() ? std::string(R"(\n\s+value (.*))")
                                           : R"(\n\s+inst \[)" + which + R"(\] value (.*))");
    std::smatch found;
    if (!std::regex_search(output, found, line))
        throw std::runtime_error("pminfo gave no value of " + metric + " " + instance + ":\n" + output);
    std::string value = found[1];
    if (value.size() >= 2 && value.front() == '"')
        value = value.substr(1, value.size() - 2);
    return value;
}

double TestCollector::pminfoNumber(const std::string &metric, const std::string &instance) const
{
    return std::stod(pminfo(metric, instance));
}

} // namespace quorvin::test
