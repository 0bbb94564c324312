#include "mgmt/remote/SshSettings.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace quorvin::mgmt::remote {

namespace {
std::string homeDirectory()
{
    if (const char *home = std::getenv("HOME"); home && *home)
        return home;
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd *found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return "/";
}
} // namespace

SshSettings SshSettings::forCurrentUser()
{
    SshSettings settings = inDirectory(homeDirectory() + "/.ssh");
    settings.globalConfig = "/etc/ssh/ssh_config";
    return settings;
}

SshSettings SshSettings::inDirectory(const std::string &sshDirectory)
{
    SshSettings settings;
    settings.sshDirectory = sshDirectory;
    settings.userConfig = sshDirectory + "/config";
    settings.knownHosts = sshDirectory + "/known_hosts";
    settings.globalConfig.clear();
    return settings;
}

} // namespace quorvin::mgmt::remote
