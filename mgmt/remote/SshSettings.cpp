#include "mgmt/remote/SshSettings.h"
#include "mgmt/Error.h"
#include "mgmt/Instance.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

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

std::string withHostInLowerCase(std::string_view computer)
{
    const std::size_t at = computer.rfind('@');
    const std::size_t hostStart = at == std::string_view::npos ? 0 : at + 1;
    return std::string(computer.substr(0, hostStart)) + toLowerAscii(computer.substr(hostStart));
}

// Nothing there yet is fine: the first key recorded creates it.
void requireReadableKnownHosts(const std::string &path)
{
    if (path.empty())
        return;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return;
        throw Error(err::Failed, "The known hosts file " + path + " cannot be read: " + std::strerror(errno) +
                                     ". Quorvin did not connect.");
    }
    if (!S_ISREG(info.st_mode))
        throw Error(err::Failed, "The known hosts file " + path +
                                     " cannot be read: it is not a regular file. Quorvin did not connect.");
    if (::access(path.c_str(), R_OK) != 0)
        throw Error(err::Failed, "The known hosts file " + path + " cannot be read: " + std::strerror(errno) +
                                     ". Quorvin did not connect.");
}

} // namespace quorvin::mgmt::remote
