#include "LoopbackSshHost.h"

#include <arpa/inet.h>
#include <filesystem>
#include <netinet/in.h>
#include <random>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace quorvin::test {

namespace {

constexpr const char *Address = "127.0.0.1";
constexpr int Attempts = 20;
constexpr auto StartLimit = std::chrono::seconds(60);

// sshd re-executes itself for every connection, which it refuses to do unless started by absolute path.
std::string sshdPath()
{
    return Command::which("sshd");
}

// Below the kernel's ephemeral range, so that closedPort() and outgoing connections do not meet it.
int randomPort()
{
    static std::mt19937 generator{std::random_device{}()};
    return std::uniform_int_distribution<int>(20000, 32000)(generator);
}

} // namespace

std::string LoopbackSshHost::missingTools()
{
    if (::geteuid() != 0)
        return "not root (the test logs in as root)";
    if (sshdPath().empty())
        return "sshd is not installed (package openssh-server)";
    for (const char *program : {"ssh", "ssh-keygen"})
        if (Command::which(program).empty())
            return std::string(program) + " is not installed (package openssh-client)";
    return {};
}

int LoopbackSshHost::closedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        throw std::runtime_error("socket() failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
                       ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0;
    ::close(fd);
    if (!bound)
        throw std::runtime_error("cannot bind a socket on 127.0.0.1");
    return ntohs(address.sin_port);
}

LoopbackSshHost::LoopbackSshHost(std::string alias) : SshHost("loopback")
{
    std::filesystem::create_directories("/run/sshd"); // its privilege separation directory
    const std::string authorizedKeys = workDir() + "/authorized_keys";
    writeFile(authorizedKeys, authorizedKey(), 0600);
    const std::string config = workDir() + "/sshd_config";
    const std::string log = workDir() + "/sshd.log";
    std::string lastLog;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const int port = randomPort();
        // StrictModes no: the keys live in the build directory, whose modes sshd would refuse.
        writeFile(config,
                  "ListenAddress " + std::string(Address) + ":" + std::to_string(port) + "\nHostKey " +
                      hostKeyPath() + "\nAuthorizedKeysFile " + authorizedKeys +
                      "\nPidFile none\nPermitRootLogin prohibit-password\nPasswordAuthentication no\n"
                      "KbdInteractiveAuthentication no\nUsePAM no\nStrictModes no\n"
                      "Subsystem sftp internal-sftp\n",
                  0600);
        auto sshd = std::make_unique<Daemon>(std::vector<std::string>{sshdPath(), "-D", "-e", "-f", config},
                                             log, Daemon::Ending::Terminate, std::chrono::seconds(3));
        if (sshd->waitForOutput("Server listening", StartLimit)) {
            m_sshd = std::move(sshd);
            describeServer(std::move(alias), Address, port);
            return;
        }
        lastLog = sshd->output();
        sshd->stop();
        if (lastLog.find("Address already in use") == std::string::npos)
            break;
    }
    throw std::runtime_error("sshd did not start on " + std::string(Address) + ":\n" + tail(lastLog));
}

void LoopbackSshHost::restart()
{
    m_sshd->stop();
    const std::string log = workDir() + "/sshd.log";
    std::filesystem::remove(log); // it says "Server listening" from the first start
    m_sshd = std::make_unique<Daemon>(
        std::vector<std::string>{sshdPath(), "-D", "-e", "-f", workDir() + "/sshd_config"}, log,
        Daemon::Ending::Terminate, std::chrono::seconds(3));
    if (!m_sshd->waitForOutput("Server listening", StartLimit))
        throw std::runtime_error("sshd did not start again:\n" + tail(m_sshd->output()));
}

bool LoopbackSshHost::waitForLog(const std::string &text, std::chrono::milliseconds limit)
{
    return m_sshd->waitForOutput(text, limit);
}

LoopbackSshHost::~LoopbackSshHost() = default;

} // namespace quorvin::test
