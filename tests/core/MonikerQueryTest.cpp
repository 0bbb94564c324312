#include "mgmt/Error.h"
#include "mgmt/Moniker.h"
#include "mgmt/Query.h"
#include <gtest/gtest.h>

using namespace quorvin::mgmt;

TEST(Moniker, ComputerPartOfBothForms)
{
    const struct {
        const char *text;
        const char *computer;
        bool impersonating;
    } cases[] = {
        {"winmgmts://alpha", "alpha", false},
        {"winmgmts://", "", false},
        {"WinMgmts://Beta.example.org", "Beta.example.org", false},
        {"winmgmts:{impersonationLevel=Impersonate}!\\\\alpha\\root\\cimv2", "alpha", true},
        {"winmgmts:{impersonationLevel=Impersonate}!\\\\\\root\\cimv2", "", true},
        {"winmgmts:{impersonationLevel=Impersonate}!\\\\my host\\root\\cimv2", "my host", true},
        // A name with slashes of its own, in both forms.
        {"winmgmts://PCP://WEB1:44321", "PCP://WEB1:44321", false},
        {"winmgmts:{impersonationLevel=Impersonate}!\\\\PCP://LOCAL:\\root\\cimv2", "PCP://LOCAL:", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        const Moniker m = parseMoniker(c.text);
        EXPECT_EQ(m.computer, c.computer);
        EXPECT_EQ(m.impersonating, c.impersonating);
    }
    for (const char *bad : {"alpha", "winmgmts:alpha", "winmgmts:{impersonationLevel=Impersonate"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(parseMoniker(bad), Error);
    }
}

TEST(Moniker, LocalNames)
{
    for (const char *name : {"", ".", "localhost", "LocalHost", "myhost", "MYHOST"})
        EXPECT_TRUE(isLocalComputerName(name, "myhost")) << name;
    for (const char *name : {"alpha", "myhost2", "127.0.0.2"})
        EXPECT_FALSE(isLocalComputerName(name, "myhost")) << name;
}

TEST(Query, TheFormsTheWindowUses)
{
    const struct {
        const char *text;
        const char *className;
        const char *name; // nullptr: no where clause
    } cases[] = {
        {"Select * from Win32_PerfRawData_PerfProc_Process", "Win32_PerfRawData_PerfProc_Process", nullptr},
        {"select *  from   win32_service ", "win32_service", nullptr},
        {"Select * from Win32_Service Where Name ='ssh.service'", "Win32_Service", "ssh.service"},
        {"Select * from Win32_PerfRawData_Tcpip_NetworkInterface where name = 'eth0'",
         "Win32_PerfRawData_Tcpip_NetworkInterface", "eth0"},
        {"select * from c where name='x'", "c", "x"},
        {"select * from c where name = 'it\\'s'", "c", "it's"},
        {"select * from c where name = 'a\\\\b'", "c", "a\\b"},
        {"select * from c where name = 'dev-disk-by\\x2duuid'", "c", "dev-disk-by\\x2duuid"},
        {"select * from c where name = ''", "c", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        const Query q = parseQuery(c.text);
        EXPECT_EQ(q.className, c.className);
        if (c.name)
            EXPECT_EQ(q.nameEquals, std::optional<std::string>(c.name));
        else
            EXPECT_FALSE(q.nameEquals.has_value());
    }
}

TEST(Query, MalformedTextIsAnInvalidQuery)
{
    for (const char *bad : {"", "select name from c", "select * c", "select * from", "select * from c where",
                            "select * from c where name = 'it's'", "select * from c where name = 'open",
                            "select * from c where pid = '1'", "delete * from c"}) {
        SCOPED_TRACE(bad);
        try {
            parseQuery(bad);
            ADD_FAILURE() << "accepted";
        } catch (const Error &e) {
            EXPECT_EQ(e.number(), err::InvalidQuery);
        }
    }
}

TEST(Query, QuotedNamesReadBackUnchanged)
{
    for (const char *name :
         {"plain", "it's", "a\\b", "ends\\", "'", "\\'", "systemd-fsck@dev-disk-by\\x2duuid.service"}) {
        SCOPED_TRACE(name);
        const Query q = parseQuery("select * from c where name = '" + quoteQueryName(name) + "'");
        EXPECT_EQ(q.nameEquals, std::optional<std::string>(name));
    }
}
