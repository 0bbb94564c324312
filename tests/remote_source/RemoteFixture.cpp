#include "RemoteFixture.h"
#include "mgmt/Error.h"

#include <fstream>

namespace quorvin::test {

void addHostEntry(const SshHost &host, const std::string &alias, const std::string &lines)
{
    std::ofstream config(host.configPath(), std::ios::app);
    config << "\nHost " << alias << "\n" << lines << "\n";
}

std::pair<std::int32_t, std::string> errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const mgmt::Error &e) {
        return {e.number(), e.description()};
    }
    return {0, {}};
}

} // namespace quorvin::test
