#include "app/DeferredRemoteSource.h"
#include "mgmt/Error.h"
#include "mgmt/local/LocalSource.h"

#include <gtest/gtest.h>

using namespace quorvin;

namespace {

std::string outcome(mgmt::Source &source, const std::string &computer)
{
    try {
        source.connect("winmgmts://" + computer)->instancesOf("Win32_OperatingSystem");
        return "answered";
    } catch (const mgmt::Error &e) {
        return std::to_string(e.number()) + " " + e.description();
    }
}

} // namespace

// This computer is answered without the SSH module; another computer loads it, or says clearly that it
// cannot, and this computer is answered all the same afterwards.
TEST(DeferredRemoteSource, LoadsTheSshModuleOnlyForAnotherComputer)
{
    const struct {
        std::vector<std::string> candidates;
        const char *another; // the start of what naming another computer gives
    } cases[] = {
        {{"/nonexistent/quorvin-ssh.so"}, "-2147217407 Quorvin's SSH support cannot be loaded"},
        {{"/dev/null"},
         "-2147217407 Quorvin's SSH support cannot be loaded, so no other computer can be watched. "
         "/dev/null:"},
        // A name no host can have is refused by the remote source itself, before any lookup.
        {{"/nonexistent/quorvin-ssh.so", QUORVIN_SSH_MODULE}, "462 "},
    };
    for (const auto &c : cases) {
        DeferredRemoteSource source(std::make_unique<mgmt::LocalSource>(), "here", nullptr, c.candidates);
        EXPECT_EQ(outcome(source, "."), "answered");
        EXPECT_EQ(outcome(source, "no;such host").rfind(c.another, 0), 0u) << outcome(source, "no;such host");
        EXPECT_EQ(outcome(source, "."), "answered");
    }
}

// A "pcp://" name goes to the PCP module, never to SSH; without the module it says so, and this computer is
// answered all the same.
TEST(DeferredRemoteSource, SendsPcpNamesToThePcpModule)
{
    const struct {
        std::vector<std::string> candidates;
        const char *collector; // the start of what naming a collector that cannot be reached gives
    } cases[] = {
        {{"/nonexistent/quorvin-pcp.so"}, "-2147217407 Quorvin's PCP support cannot be loaded"},
#ifdef QUORVIN_PCP_MODULE
        {{QUORVIN_PCP_MODULE}, "462 "},
#endif
    };
    for (const auto &c : cases) {
        DeferredRemoteSource source(std::make_unique<mgmt::LocalSource>(), "here", nullptr,
                                    {"/nonexistent/quorvin-ssh.so"}, c.candidates);
        EXPECT_EQ(outcome(source, "PCP://no such collector").rfind(c.collector, 0), 0u)
            << outcome(source, "PCP://no such collector");
        EXPECT_EQ(outcome(source, "."), "answered");
    }
}

// Only this computer's names get this program's pid; asking for another computer loads no module.
TEST(DeferredRemoteSource, GivesThisProgramsProcessOnlyForThisComputer)
{
    mgmt::LocalSourceOptions options;
    options.hostName = "here";
    DeferredRemoteSource source(std::make_unique<mgmt::LocalSource>(options), "here", nullptr,
                                {"/nonexistent/quorvin-ssh.so"}, {"/nonexistent/quorvin-pcp.so"});
    for (const char *name : {"", ".", "localhost", "LOCALHOST", "here", "Here"})
        EXPECT_TRUE(source.thisProgramsProcessId(std::string("winmgmts://") + name).has_value()) << name;
    for (const char *name : {"there", "pcp://localhost", "pcp://here"})
        EXPECT_FALSE(source.thisProgramsProcessId(std::string("winmgmts://") + name).has_value()) << name;
}
