#include "SshHost.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvin::test {

namespace {

// Directories of test processes that were killed before they could remove theirs.
void removeLeftovers(const std::string &base)
{
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator(base, ignored)) {
        std::istringstream name(entry.path().filename().string());
        std::string kind;
        pid_t owner = 0;
        if (std::getline(name, kind, '-') && name >> owner && owner > 0 && ::kill(owner, 0) != 0 &&
            errno == ESRCH)
            std::filesystem::remove_all(entry.path(), ignored);
    }
}

std::string newWorkDir(const std::string &kind)
{
    const std::string base = QUORVIN_REMOTE_HOSTS_DIR;
    std::filesystem::create_directories(base);
    removeLeftovers(base);
    std::string pattern = base + "/" + kind + "-" + std::to_string(::getpid()) + "-XXXXXX";
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a directory under " + base);
    return pattern;
}

void generateKey(const std::string &path, const std::string &comment)
{
    std::filesystem::remove(path);
    std::filesystem::remove(path + ".pub");
    Command::check({"ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-C", comment, "-f", path});
}

// "ssh-ed25519 AAAA…" out of a public key file's line.
std::string typeAndKey(const std::string &publicKeyLine)
{
    std::istringstream fields(publicKeyLine);
    std::string type, key;
    fields >> type >> key;
    if (key.empty())
        throw std::runtime_error("not a public key: " + publicKeyLine);
    return type + " " + key;
}

} // namespace

SshHost::SshHost(const std::string &kind) : m_workDir(newWorkDir(kind)), m_sshDir(m_workDir + "/ssh")
{
    try {
        std::filesystem::create_directory(m_sshDir);
        std::filesystem::permissions(m_sshDir, std::filesystem::perms::owner_all);
        generateKey(identityPath(), "quorvin-test-client");
        generateKey(hostKeyPath(), "quorvin-test-host");
        const std::string listing = Command::check({"ssh-keygen", "-lf", hostPublicKeyPath()});
        std::istringstream fields(listing); // "256 SHA256:… comment (ED25519)"
        std::string bits;
        fields >> bits >> m_fingerprint;
        m_hostKey = typeAndKey(fileText(hostPublicKeyPath()));
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove_all(m_workDir, ignored);
        throw;
    }
}

SshHost::~SshHost()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_workDir, ignored);
}

void SshHost::describeServer(std::string alias, std::string address, int port)
{
    m_alias = std::move(alias);
    m_address = std::move(address);
    m_port = port;
    writeFile(configPath(),
              "Host " + m_alias + "\n    HostName " + m_address + "\n    Port " + std::to_string(m_port) +
                  "\n    User root\n    IdentityFile " + identityPath() + "\n",
              0600);
    recordHostKey();
}

std::string SshHost::knownHostsName() const
{
    return m_port == 22 ? m_address : "[" + m_address + "]:" + std::to_string(m_port);
}

void SshHost::recordHostKey() const
{
    writeFile(knownHostsPath(), knownHostsName() + " " + m_hostKey + "\n", 0644);
}

void SshHost::forgetHostKey() const
{
    writeFile(knownHostsPath(), "", 0644);
}

void SshHost::recordWrongHostKey() const
{
    const std::string other = m_workDir + "/other_host_ed25519";
    if (!std::filesystem::exists(other + ".pub"))
        generateKey(other, "quorvin-test-other-host");
    writeFile(knownHostsPath(), knownHostsName() + " " + typeAndKey(fileText(other + ".pub")) + "\n", 0644);
}

std::vector<std::string> SshHost::sshCommand(const std::string &remoteCommand) const
{
    return {"ssh",
            "-F",
            configPath(),
            "-o",
            "UserKnownHostsFile=" + knownHostsPath(),
            "-o",
            "GlobalKnownHostsFile=/dev/null",
            "-o",
            "StrictHostKeyChecking=yes",
            "-o",
            "BatchMode=yes",
            "-o",
            "ConnectTimeout=10",
            m_alias,
            remoteCommand};
}

Command::Result SshHost::runOverSsh(const std::string &remoteCommand, std::chrono::milliseconds limit) const
{
    return Command::run(sshCommand(remoteCommand), limit);
}

std::string SshHost::authorizedKey() const
{
    return fileText(identityPath() + ".pub");
}

std::string SshHost::fileText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void SshHost::writeFile(const std::string &path, const std::string &text, unsigned mode)
{
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush())
            throw std::runtime_error("cannot write " + path);
    }
    ::chmod(path.c_str(), mode);
}

std::string SshHost::tail(const std::string &text, std::size_t count)
{
    std::size_t start = text.size();
    for (std::size_t n = 0; n <= count && start > 0 && start != std::string::npos; ++n)
        start = text.rfind('\n', start - 1);
    return start == std::string::npos ? text : text.substr(start + 1);
}

} // namespace quorvin::test
