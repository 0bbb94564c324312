// The remote source against a real sshd on loopback: this computer read over SSH must look as it does read
// directly.
#include "RemoteFixture.h"
#include "mgmt/Error.h"
#include "mgmt/remote/SshSession.h"

#include <dirent.h>
#include <fstream>
#include <set>
#include <signal.h>
#include <unistd.h>

using namespace quorvin;
using namespace quorvin::test;
using mgmt::err::AccessDenied;
using mgmt::err::RemoteServerUnavailable;

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
    mgmt::remote::RemoteSource source(std::make_unique<mgmt::LocalSource>(), "this-computer", settings,
                                      HostKeyQuestion(dialogs));
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
    for (const char *bridge : {"echo garbage; exec cat >/dev/null", "head -c 200000 /dev/urandom",
                               "exec sleep 60", "exit 0"}) {
        SCOPED_TRACE(bridge);
        auto settings = mgmt::remote::SshSettings::inDirectory(host->sshDir());
        settings.busBridgeCommand = bridge;
        mgmt::remote::RemoteSource source(std::make_unique<mgmt::LocalSource>(), "this-computer", settings,
                                          HostKeyQuestion(dialogs));
        const auto [number, description] = errorOf([&] { connect(source)->execQuery("select * from Win32_Service"); });
        EXPECT_EQ(number, mgmt::err::Failed);
        EXPECT_NE(description.find("The service manager is not available"), std::string::npos) << description;
        EXPECT_FALSE(connect(source)->instancesOf("win32_Processor").empty()) << "the connection still serves";
    }
}

TEST_F(LoopbackRemote, AnUpperCaseNameFindsTheHostEntry)
{
    auto source = remoteSourceFor(*host, dialogs);
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
