#include "Fixtures.h"
#include "mgmt/Error.h"
#include "mgmt/linux/NetDev.h"
#include "mgmt/local/LocalSource.h"

#include <gtest/gtest.h>

using namespace quorvin::mgmt;
using namespace quorvin::mgmt::linux_;

TEST(NetDev, CountersInTheKernelsOrder)
{
    const auto interfaces = parseNetDev(test::readFixture("laptop-2core/proc/net/dev"));
    ASSERT_EQ(interfaces.size(), 3u);
    EXPECT_EQ(interfaces[0].name, "lo");
    EXPECT_EQ(interfaces[0].bytesReceived, 2776520u);
    EXPECT_EQ(interfaces[0].packetsSent, 31022u);
    EXPECT_EQ(interfaces[1].name, "enp0s31f6");
    EXPECT_EQ(interfaces[2].bytesReceived, 18446744073709551615u) << "the full 64 bits";
    EXPECT_EQ(interfaces[2].bytesSent, 96441823u);
    EXPECT_EQ(interfaces[2].packetsSent, 412006u);
}

TEST(NetDev, MalformedTextsAreClearErrors)
{
    const std::string heading = "Inter-| x\n face |y\n";
    for (const std::string &text :
         {std::string(), std::string("lo: 1 2 3\n"), heading + "lo 1 2 3 4 5 6 7 8 9 10\n",
          heading + "lo: 1 2 3 4 5 6 7 8\n", heading + "lo: 1 2 x 4 5 6 7 8 9 10\n",
          heading + ": 1 2 3 4 5 6 7 8 9 10\n", heading + "lo: 1 2 3 4 5 6 7 8 9 10"}) {
        SCOPED_TRACE(text);
        try {
            parseNetDev(text);
            ADD_FAILURE() << "accepted";
        } catch (const Error &e) {
            EXPECT_NE(e.description().find("/proc/net/dev"), std::string::npos);
        }
    }
    EXPECT_TRUE(parseNetDev(heading).empty());
}

TEST(NetDev, LinkSpeeds)
{
    EXPECT_EQ(linkBitsPerSecond("1000\n"), 1'000'000'000u);
    EXPECT_EQ(linkBitsPerSecond("100"), 100'000'000u);
    EXPECT_EQ(linkBitsPerSecond("-1\n"), 0u);
    EXPECT_EQ(linkBitsPerSecond(""), 0u);
    EXPECT_EQ(linkBitsPerSecond("4294967295"), 0u);
}

TEST(NetDev, TheLocalSourceAnswersTheInterfaceClass)
{
    LocalSourceOptions options;
    options.root = test::fixturePath("laptop-2core");
    LocalSource source(options);
    auto service = source.connect("winmgmts:{impersonationLevel=Impersonate}!\\\\.\\root\\cimv2");
    const auto all = service->execQuery("Select * from Win32_PerfRawData_Tcpip_NetworkInterface");
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].get("CurrentBandWidth"), Value("0"));
    EXPECT_EQ(all[1].get("CurrentBandWidth"), Value("0"));
    const auto wifi =
        service->execQuery("Select * from Win32_PerfRawData_Tcpip_NetworkInterface where name = 'wlp2s0'");
    ASSERT_EQ(wifi.size(), 1u);
    EXPECT_EQ(wifi[0].get("CurrentBandWidth"), Value("1000000000"));
    EXPECT_EQ(wifi[0].get("BytesSentPersec"), Value("96441823"));
    EXPECT_EQ(wifi[0].get("PacketsReceivedPersec"), Value("884127"));
}

// Linux tells interface names apart by case: "qa" and "QA" are two interfaces, each counted alone.
TEST(NetDev, InterfacesDifferingOnlyInCaseAreNotMixed)
{
    test::TreeCopy tree("laptop-2core");
    tree.write("proc/net/dev",
               "Inter-|   Receive |  Transmit\n"
               " face |bytes packets errs drop fifo frame compressed multicast|bytes packets\n"
               "    qa: 100 1 0 0 0 0 0 0 200 2 0 0 0 0 0 0\n"
               "    QA: 5310 3 0 0 0 0 0 0 900 4 0 0 0 0 0 0\n");
    LocalSourceOptions options;
    options.root = tree.root();
    LocalSource source(options);
    auto service = source.connect("winmgmts:");
    for (const auto &[name, received] : {std::pair{"qa", "100"}, std::pair{"QA", "5310"}}) {
        const auto found = service->execQuery(
            std::string("Select * from Win32_PerfRawData_Tcpip_NetworkInterface where name = '") + name +
            "'");
        ASSERT_EQ(found.size(), 1u) << name;
        EXPECT_EQ(found[0].get("BytesReceivedPersec"), Value(received)) << name;
    }
}
