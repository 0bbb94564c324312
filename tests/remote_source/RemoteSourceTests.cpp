// The remote source against a real sshd on loopback: this computer read over SSH must look as it does read
// directly.
#include "RemoteFixture.h"
#include "mgmt/Error.h"
#include "mgmt/remote/SshSession.h"

#include <algorithm>
#include <arpa/inet.h>
#include <dirent.h>
#include <fstream>
#include <future>
#include <netinet/in.h>
#include <set>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace quorvin;
using namespace quorvin::test;
using mgmt::err::AccessDenied;
using mgmt::err::RemoteServerUnavailable;
using namespace std::chrono_literals;

namespace {

class LoopbackRemote : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const std::string missing = LoopbackSshHost::missingTools(); !missing.empty())
            GTEST_SKIP() << "no SSH server for the remote tests: " << missing;
        host = std::make_unique<LoopbackSshHost>();
    }

    std::unique_ptr<mgmt::Service> connect(mgmt::Source &source)
    {
        return source.connect(plainMonikerOf(host->alias()));
    }

    std::unique_ptr<LoopbackSshHost> host;
    FakeDialogs dialogs;
};

// Property names with the kind of each value: the form of an instance.
std::map<std::string, char> formOf(const mgmt::Instance &instance)
{
    std::map<std::string, char> form;
    for (const mgmt::Property &p : instance.properties())
        form[p.name] = p.value.isNull() ? 'n' : p.value.isBool() ? 'b' : p.value.isNumber() ? '#' : 't';
    return form;
}

std::set<std::string> names(const std::vector<mgmt::Instance> &instances)
{
    std::set<std::string> out;
    for (const auto &i : instances)
        out.insert(i.get("Name").text());
    return out;
}

// The processes of the sshd that serve our connections.
std::vector<pid_t> childrenOf(pid_t parent)
{
    std::vector<pid_t> children;
    DIR *proc = opendir("/proc");
    while (dirent *entry = proc ? readdir(proc) : nullptr) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string text;
        if (!std::getline(stat, text))
            continue;
        const auto close = text.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        int ppid = 0;
        if (std::sscanf(text.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == parent)
            children.push_back(std::atoi(entry->d_name));
    }
    if (proc)
        closedir(proc);
    return children;
}

// A stand-in for systemd-stdio-bridge: it greets as the bus does, then floods the caller with large or with
// small messages (2 GiB, or a million) or falls silent, and notes each start in a file.
constexpr const char *FakeBusBridge = R"py(import os, struct, sys
mode, starts = sys.argv[1], sys.argv[2]
with open(starts, "a") as f:
    f.write('start\n')

def pad(b, n):
    return b + b'\0' * (-len(b) % n)

def field(b, code, sig, value):
    b = pad(b, 8) + bytes([code, len(sig)]) + sig.encode() + b'\0'
    if sig == 'u':
        return pad(b, 4) + struct.pack('<I', value)
    if sig == 'g':
        return b + bytes([len(value)]) + value.encode() + b'\0'
    return pad(b, 4) + struct.pack('<I', len(value)) + value.encode() + b'\0'

def message(kind, fields, body=b'', serial=1):
    b = b''
    for f in fields:
        b = field(b, *f)
    return struct.pack('<BBBBIII', ord('l'), kind, 1, 1, len(body), serial, len(b)) + pad(b, 8) + body

data = b''
while b'BEGIN\r\n' not in data:
    chunk = os.read(0, 4096)
    if not chunk:
        sys.exit(0)
    data += chunk
out = sys.stdout.buffer
for line in data[:data.index(b'BEGIN\r\n')].split(b'\r\n'):
    words = line.lstrip(b'\0').split()
    if words[:1] == [b'AUTH']:
        out.write(b'OK 0123456789abcdef0123456789abcdef\r\n' if len(words) > 2 else b'DATA\r\n')
    elif words[:1] == [b'DATA']:
        out.write(b'OK 0123456789abcdef0123456789abcdef\r\n')
    elif words[:1] == [b'NEGOTIATE_UNIX_FD']:
        out.write(b'AGREE_UNIX_FD\r\n')
out.flush()
hello = data[data.index(b'BEGIN\r\n') + 7:]
while len(hello) < 12:
    chunk = os.read(0, 4096)
    if not chunk:
        sys.exit(0)
    hello += chunk
out.write(message(2, [(5, 'u', struct.unpack('<I', hello[8:12])[0]), (6, 's', ':1.1'),
                      (7, 's', 'org.freedesktop.DBus'), (8, 'g', 's')], struct.pack('<I', 4) + b':1.1\0'))
out.flush()
signal = [(1, 'o', '/a'), (2, 's', 'a.b'), (3, 's', 'c')]
try:
    if mode == 'large':
        large = message(4, signal + [(8, 'g', 'ay')], struct.pack('<I', 1 << 20) + bytes(1 << 20))
        for i in range(2048):
            out.write(large)
            out.flush()
    elif mode == 'small':
        small = message(4, signal) * 1000
        for i in range(1000):
            out.write(small)
            out.flush()
    while os.read(0, 65536):
        pass
except BrokenPipeError:
    pass
)py";

// The peak of this process's resident memory since the last reset, in KiB.
std::size_t peakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmHWM:"))
            return std::stoul(line.substr(6));
    return 0;
}

void resetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

std::size_t linesOf(const std::string &path)
{
    std::ifstream file(path);
    std::size_t count = 0;
    for (std::string line; std::getline(file, line);)
        ++count;
    return count;
}

// A Unix socket that takes connections into its queue and never answers, as an agent waiting for a PIN does.
int silentUnixSocket(const std::string &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ::unlink(path.c_str());
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0)
        throw std::runtime_error("cannot listen on " + path);
    return fd;
}

// A port on 127.0.0.1 whose queue is full, so that the kernel drops every further knock: an address that
// never answers.
class Blackhole final {
public:
    Blackhole()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
            ::listen(m_listener, 0) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            throw std::runtime_error("cannot listen on 127.0.0.1");
        m_port = ntohs(address.sin_port);
        for (int &filler : m_fillers) {
            filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
            ::connect(filler, reinterpret_cast<sockaddr *>(&address), sizeof address);
        }
    }
    ~Blackhole()
    {
        for (int fd : m_fillers)
            ::close(fd);
        ::close(m_listener);
    }
    int port() const noexcept { return m_port; }

private:
    int m_listener = -1;
    int m_fillers[2] = {-1, -1};
    int m_port = 0;
};

} // namespace

TEST_F(LoopbackRemote, EveryClassHasTheFormOfTheLocalAnswer)
{
    mgmt::LocalSource local;
    auto source = remoteSourceFor(*host, dialogs);
    auto here = local.connect("winmgmts://");
    auto there = connect(*source);
    for (const char *cls : {"win32_operatingsystem", "Win32_PerfRawData_PerfOS_Processor", "win32_Processor",
                            "Win32_PerfRawData_PerfProc_Process", "Win32_Process",
                            "Win32_PerfRawData_Tcpip_NetworkInterface"}) {
        SCOPED_TRACE(cls);
        const auto mine = here->instancesOf(cls);
        const auto theirs = there->instancesOf(cls);
        ASSERT_FALSE(theirs.empty());
        EXPECT_EQ(formOf(theirs.front()), formOf(mine.front()));
        EXPECT_EQ(formOf(theirs.back()), formOf(mine.back()));
    }
    const auto os = there->instancesOf("win32_operatingsystem").at(0);
    const auto localOs = here->instancesOf("win32_operatingsystem").at(0);
    for (const char *property : {"Caption", "CSDVersion", "SerialNumber", "LastBootupTime", "InstallDate"})
        EXPECT_EQ(os.get(property), localOs.get(property)) << property;
    EXPECT_EQ(names(there->instancesOf("Win32_PerfRawData_PerfOS_Processor")),
              names(here->instancesOf("Win32_PerfRawData_PerfOS_Processor")));
    EXPECT_EQ(
        names(there->execQuery("Select * from Win32_PerfRawData_Tcpip_NetworkInterface where name = 'lo'")),
        std::set<std::string>{"lo"});
    const auto processes = there->execQuery("Select * from Win32_PerfRawData_PerfProc_Process");
    EXPECT_EQ(processes.front().get("Name"), mgmt::Value("Idle"));
    EXPECT_EQ(processes.back().get("Name"), mgmt::Value("_Total"));
    // This machine has no service manager: both say so the same way.
    const auto localServices = errorOf([&] { here->execQuery("Select * from Win32_Service"); });
    const auto remoteServices = errorOf([&] { there->execQuery("Select * from Win32_Service"); });
    if (localServices.first != 0) {
        EXPECT_EQ(remoteServices.first, localServices.first);
        EXPECT_NE(remoteServices.second.find("The service manager is not available"), std::string::npos)
            << remoteServices.second;
    }
    EXPECT_EQ(errorOf([&] { there->instancesOf("Win32_Printer"); }).first, mgmt::err::InvalidClass);
}

TEST_F(LoopbackRemote, KeepsOneConnectionAndClosesItWhenIdle)
{
    auto source = remoteSourceFor(*host, dialogs, 0);
    for (int i = 0; i < 3; ++i)
        connect(*source)->instancesOf("Win32_PerfRawData_PerfOS_Processor");
    EXPECT_EQ(source->openConnections(), 1u);
    EXPECT_EQ(childrenOf(host->serverPid()).size(), 1u) << "one SSH connection for all the queries";
    usleep(1100 * 1000);
    source->closeIdleConnections();
    EXPECT_EQ(source->openConnections(), 0u);
    EXPECT_FALSE(connect(*source)->instancesOf("win32_Processor").empty());
}

TEST_F(LoopbackRemote, ALostConnectionIsReportedAndTheNextQueryConnectsAgain)
{
    auto source = remoteSourceFor(*host, dialogs);
    auto service = connect(*source);
    service->instancesOf("win32_Processor");
    for (pid_t session : childrenOf(host->serverPid()))
        ::kill(session, SIGKILL);
    const auto [number, description] = errorOf([&] { service->instancesOf("win32_Processor"); });
    EXPECT_EQ(number, mgmt::err::Failed);
    EXPECT_NE(description.find("was lost"), std::string::npos) << description;
    EXPECT_FALSE(connect(*source)->instancesOf("win32_Processor").empty());
}

TEST_F(LoopbackRemote, AnUnknownHostKeyIsAskedAboutAndRecordedOnYes)
{
    host->forgetHostKey();
    dialogs.answerConfirm(false);
    auto refused = remoteSourceFor(*host, dialogs);
    const auto [number, description] = errorOf([&] { connect(*refused); });
    EXPECT_EQ(number, AccessDenied);
    EXPECT_NE(description.find("was not accepted"), std::string::npos) << description;
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_TRUE(dialogs.shown()[0].text.contains(QString::fromStdString(host->hostKeyFingerprintSha256())));
    EXPECT_TRUE(dialogs.shown()[0].text.contains(QString::fromStdString(host->alias())));

    dialogs.answerConfirm(true);
    auto accepted = remoteSourceFor(*host, dialogs);
    EXPECT_NO_THROW(connect(*accepted)->instancesOf("win32_Processor"));
    auto again = remoteSourceFor(*host, dialogs);
    EXPECT_NO_THROW(connect(*again));
    EXPECT_EQ(dialogs.shown().size(), 2u) << "a recorded key is not asked about again";
}

TEST_F(LoopbackRemote, AChangedHostKeyIsRefusedWithAWarning)
{
    host->recordWrongHostKey();
    auto source = remoteSourceFor(*host, dialogs);
    const auto [number, description] = errorOf([&] { connect(*source); });
    EXPECT_EQ(number, AccessDenied);
    EXPECT_NE(description.find("WARNING"), std::string::npos);
    EXPECT_NE(description.find(host->alias()), std::string::npos);
    EXPECT_NE(description.find("man-in-the-middle"), std::string::npos);
    EXPECT_TRUE(dialogs.shown().empty()) << "a changed key is never offered for acceptance";
    EXPECT_EQ(source->openConnections(), 0u);
}

TEST_F(LoopbackRemote, UnreachableNamesAndRefusedKeys)
{
    addHostEntry(*host, "quorvin-closed",
                 "  HostName 127.0.0.1\n  Port " + std::to_string(LoopbackSshHost::closedPort()));
    addHostEntry(*host, "quorvin-stranger",
                 "  HostName 127.0.0.1\n  Port " + std::to_string(host->port()) + "\n  User quorvin-nobody");
    auto source = remoteSourceFor(*host, dialogs);
    EXPECT_EQ(errorOf([&] { source->connect("winmgmts://no-such-host.invalid"); }).first,
              RemoteServerUnavailable);
    EXPECT_EQ(errorOf([&] { source->connect("winmgmts://quorvin-closed"); }).first, RemoteServerUnavailable);
    // Names no computer can have never reach a lookup (nor a shell).
    for (const char *name : {"a b", "x;reboot", "$(id)", "it's", "tab\there", "-oProxyCommand=x"})
        EXPECT_EQ(errorOf([&] { source->connect(std::string("winmgmts://") + name); }).first,
                  RemoteServerUnavailable)
            << name;
    const auto [number, description] = errorOf([&] { source->connect("winmgmts://quorvin-stranger"); });
    EXPECT_EQ(number, AccessDenied);
    EXPECT_EQ(description.rfind("Access is denied.", 0), 0u) << description;
}

TEST_F(LoopbackRemote, AnUnreadableKnownHostsFileIsRefusedNotTakenAsEmpty)
{
    auto settings = mgmt::remote::SshSettings::inDirectory(host->sshDir());
    settings.knownHosts = host->sshDir(); // a directory
    mgmt::remote::RemoteSource source(settings, HostKeyQuestion(dialogs));
    const auto [number, description] = errorOf([&] { connect(source); });
    EXPECT_EQ(number, mgmt::err::Failed);
    EXPECT_NE(description.find("known hosts file " + host->sshDir() + " cannot be read"), std::string::npos)
        << description;
    EXPECT_TRUE(dialogs.shown().empty()) << "no key is offered as unknown";
}

// A computer whose bus bridge talks garbage, says nothing or hangs up: a clear error within the bounds, and
// this program (which writes to the bridge meanwhile) is not ended by SIGPIPE.
TEST_F(LoopbackRemote, ABrokenBusBridgeGivesAClearError)
{
    for (const char *bridge :
         {"echo garbage; exec cat >/dev/null", "head -c 200000 /dev/urandom", "exec sleep 60", "exit 0"}) {
        SCOPED_TRACE(bridge);
        auto settings = mgmt::remote::SshSettings::inDirectory(host->sshDir());
        settings.busBridgeCommand = bridge;
        mgmt::remote::RemoteSource source(settings, HostKeyQuestion(dialogs));
        const auto [number, description] =
            errorOf([&] { connect(source)->execQuery("select * from Win32_Service"); });
        EXPECT_EQ(number, mgmt::err::Failed);
        EXPECT_NE(description.find("The service manager is not available"), std::string::npos) << description;
        EXPECT_FALSE(connect(source)->instancesOf("win32_Processor").empty())
            << "the connection still serves";
    }
}

TEST_F(LoopbackRemote, AnUpperCaseNameFindsTheHostEntry)
{
    auto source = routedSourceFor(*host, dialogs);
    std::string upper = host->alias();
    for (char &c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_NO_THROW(source->connect(plainMonikerOf(upper))->instancesOf("win32_Processor"));
    EXPECT_NO_THROW(source->connect("winmgmts://")) << "this computer is answered without SSH";
}

// The bus bridge has the connection to itself while it pumps on its own thread: a command meanwhile is
// refused with a clear error instead of sharing the connection, and runs again once the lease is given back.
TEST_F(LoopbackRemote, ALeasedConnectionRefusesCommandsUntilItIsGivenBack)
{
    mgmt::remote::SshSession session(host->alias(), mgmt::remote::SshSettings::inDirectory(host->sshDir()),
                                     HostKeyQuestion(dialogs));
    {
        const mgmt::remote::SshSession::Lease lease = session.lease();
        const auto [number, description] = errorOf([&] { session.run("echo hello"); });
        EXPECT_EQ(number, mgmt::err::Failed);
        EXPECT_NE(description.find("in use"), std::string::npos) << description;
        EXPECT_EQ(errorOf([&] { session.lease(); }).first, mgmt::err::Failed);
    }
    EXPECT_EQ(session.run("echo hello").output, "hello\n");
}

// A bridge that greets, then floods this program or falls silent: each call is reported as a failure, with
// this program's memory far below what was sent, and the next call gets a bridge of its own.
TEST_F(LoopbackRemote, AFloodingOrSilentBusBridgeIsBoundedAndReplacedAfterEachFailedCall)
{
    const std::string script = host->sshDir() + "/bus-bridge.py";
    std::ofstream(script) << FakeBusBridge;
    const struct {
        const char *mode, *said;
    } cases[] = {{"large", "16 MiB"}, {"small", "10000 messages"}, {"silent", "timed out"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mode);
        const std::string starts = host->sshDir() + "/starts-" + c.mode;
        auto settings = mgmt::remote::SshSettings::inDirectory(host->sshDir());
        settings.busBridgeCommand = "python3 " + script + " " + c.mode + " " + starts;
        mgmt::remote::RemoteSource source(settings, HostKeyQuestion(dialogs));
        for (int call = 0; call < 2; ++call) {
            resetPeakResident();
            const std::size_t before = peakResidentKiB();
            const auto [number, description] =
                errorOf([&] { connect(source)->execQuery("select * from Win32_Service"); });
            // The kernel counts in batches: the peak may read a little below the level at the reset. Under the
            // address sanitizer freed memory waits in a quarantine of up to 256 MiB before it is reused; an
            // unbounded bridge grows by gigabytes.
            EXPECT_LT(std::max(peakResidentKiB(), before) - before, 512u * 1024)
                << "far below the 2 GiB offered";
            EXPECT_EQ(number, mgmt::err::Failed);
            EXPECT_NE(description.find("The service manager is not available"), std::string::npos)
                << description;
            EXPECT_NE(description.find(c.said), std::string::npos) << description;
        }
        EXPECT_EQ(linesOf(starts), 2u) << "a failed call drops its bridge";
    }
}

// An agent that takes the request and never answers (one waiting for a PIN or a key touch, or forwarded over
// a stalled link) is passed over for the identity file, and the caller gets its turns meanwhile.
TEST_F(LoopbackRemote, ASilentAgentIsPassedOverForTheIdentityFile)
{
    const std::string path = host->sshDir() + "/agent";
    const int agent = silentUnixSocket(path);
    const char *previous = std::getenv("SSH_AUTH_SOCK");
    const std::string kept = previous ? previous : "";
    ::setenv("SSH_AUTH_SOCK", path.c_str(), 1);
    auto source = remoteSourceFor(*host, dialogs);
    int turns = 0;
    source->setWhileWaiting([&turns] { ++turns; });
    auto signingIn = std::async(std::launch::async, [&] { return errorOf([&] { connect(*source); }); });
    const bool ended = signingIn.wait_for(60s) == std::future_status::ready;
    const int asked = ::accept4(agent, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    ::close(agent); // also frees a build that would wait on the agent for ever
    previous ? ::setenv("SSH_AUTH_SOCK", kept.c_str(), 1) : ::unsetenv("SSH_AUTH_SOCK");
    EXPECT_TRUE(ended);
    const auto [number, description] = signingIn.get();
    EXPECT_EQ(number, 0) << description;
    EXPECT_GE(asked, 0) << "the agent was asked first";
    EXPECT_GT(turns, 0) << "the caller's window keeps painting";
    if (asked >= 0)
        ::close(asked);
}

TEST_F(LoopbackRemote, AnAddressThatNeverAnswersIsReportedAsNotFoundNamingTheStep)
{
    const Blackhole hole;
    addHostEntry(*host, "quorvin-blackhole", "  HostName 127.0.0.1\n  Port " + std::to_string(hole.port()));
    auto settings = mgmt::remote::SshSettings::inDirectory(host->sshDir());
    settings.connectTimeoutSeconds = 2;
    mgmt::remote::RemoteSource source(settings, HostKeyQuestion(dialogs));
    int turns = 0;
    source.setWhileWaiting([&turns] { ++turns; });
    const auto [number, description] = errorOf([&] { source.connect("winmgmts://quorvin-blackhole"); });
    EXPECT_EQ(number, RemoteServerUnavailable);
    EXPECT_NE(description.find("no answer within 2 seconds while connecting"), std::string::npos)
        << description;
    EXPECT_GT(turns, 0) << "the caller's window keeps painting";
}
