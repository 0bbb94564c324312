#include "NamespaceSshHost.h"

#include "LoopbackSshHost.h"

#include <filesystem>
#include <stdexcept>

namespace quorvin::test {

namespace {

constexpr int Port = 22;
constexpr auto StartLimit = std::chrono::seconds(60);

} // namespace

std::string NamespaceSshHost::missingTools()
{
    static const std::string missing = []() -> std::string {
        if (std::string reason = LoopbackSshHost::missingTools(); !reason.empty())
            return reason;
        if (std::string reason = NetworkNamespace::missingTools(); !reason.empty())
            return reason;
        const Command::Result probe =
            Command::run({"unshare", "--pid", "--fork", "--kill-child", "--mount-proc", "--uts", "true"});
        if (!probe.ok())
            return "PID, mount or UTS namespaces are not available: " + probe.output;
        return {};
    }();
    return missing;
}

NamespaceSshHost::NamespaceSshHost(std::string alias)
    : SshHost("namespace"), m_network(std::make_unique<NetworkNamespace>())
{
    if (alias.empty())
        alias = "quorvin-host" + std::to_string(m_network->subnet());
    std::filesystem::create_directories("/run/sshd"); // its privilege separation directory
    const std::string authorizedKeys = workDir() + "/authorized_keys";
    writeFile(authorizedKeys, authorizedKey(), 0600);
    const std::string config = workDir() + "/sshd_config";
    // StrictModes no: the keys live in the build directory, whose modes sshd would refuse.
    writeFile(config,
              "ListenAddress " + m_network->hostAddress() + ":" + std::to_string(Port) + "\nHostKey " +
                  hostKeyPath() + "\nAuthorizedKeysFile " + authorizedKeys +
                  "\nPidFile none\nPermitRootLogin prohibit-password\nPasswordAuthentication no\n"
                  "KbdInteractiveAuthentication no\nUsePAM no\nStrictModes no\n"
                  "Subsystem sftp internal-sftp\n",
              0600);
    // sshd is the first process of the new PID namespace: when it ends, the kernel ends the rest. unshare
    // ignores SIGTERM, hence --kill-child; the host name is written through /proc so that no `hostname`
    // program is needed.
    std::vector<std::string> argv = m_network->execPrefix();
    argv.front() = Command::which("ip");
    argv.insert(argv.end(),
                {Command::which("unshare"), "--pid", "--fork", "--kill-child", "--mount-proc", "--uts",
                 "/bin/sh", "-c", "echo \"$0\" >/proc/sys/kernel/hostname && exec \"$1\" -D -e -f \"$2\"",
                 alias, Command::which("sshd"), config});
    m_sshd = std::make_unique<Daemon>(argv, workDir() + "/sshd.log", Daemon::Ending::Terminate,
                                      std::chrono::seconds(3));
    if (!m_sshd->waitForOutput("Server listening", StartLimit))
        throw std::runtime_error("sshd did not start in network namespace " + m_network->name() + ":\n" +
                                 tail(m_sshd->output()));
    describeServer(std::move(alias), m_network->hostAddress(), Port);
}

NamespaceSshHost::~NamespaceSshHost() = default;

} // namespace quorvin::test
