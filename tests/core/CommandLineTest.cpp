#include "app/CommandLine.h"
#include "app/Usage.h"
#include <gtest/gtest.h>

using namespace quorvin;

namespace {

struct Case {
    const char *arguments;
    const char *message; // empty: none
    const char *computer;
    int page;
};

// Every row of the start-up table, and the edges a reader could get wrong.
const Case Cases[] = {
    {"", "", "", 1},
    {"/c:alpha /t:3", "", "alpha", 3},
    {"/c:  alpha  /t:5", "", "alpha", 5},
    {"/c:alpha /t:7", "", "alpha", 1},
    {"/c:alpha /t:0", "", "alpha", 1},
    {"/c:alpha", "Switches not valid. Expected /T:", "", 1},
    {"/t:3", "Switches not valid. Expected /C:", "", 1},
    {"anything at all", "Switches not valid. Expected /C:", "", 1},
    {"/c:/t:2", "", "", 2},
    {"/c:alpha /t:x", "Switches not valid. /T: Parameter must be numeric", "alpha", 1},
    {"/C:ALPHA /T:2", "", "alpha", 2},
    {"/c:alpha /t:12", "", "alpha", 1},
    {"/c:alpha /t:34", "", "alpha", 3},
    {"/c:alpha /t: 3", "Switches not valid. /T: Parameter must be numeric", "alpha", 1},
    {"/c:alpha /t:", "Switches not valid. /T: Parameter must be numeric", "alpha", 1},
    {"/c:alpha /t:4 /c:beta /t:2", "", "alpha", 4},
    {"/t:2 /c:alpha", "", "", 2},
};

} // namespace

TEST(CommandLine, ReadsTheSwitchesAsStartUpDoes)
{
    for (const Case &c : Cases) {
        SCOPED_TRACE(c.arguments);
        const StartRequest request = parseCommandLine(QString::fromLatin1(c.arguments));
        if (*c.message)
            EXPECT_EQ(request.messages, QStringList{QString::fromLatin1(c.message)});
        else
            EXPECT_TRUE(request.messages.isEmpty());
        EXPECT_EQ(request.targetComputer, QString::fromLatin1(c.computer));
        EXPECT_EQ(request.page, c.page);
    }
}

TEST(CommandLine, JoinsTheArgumentsWithoutTheProgramName)
{
    EXPECT_EQ(argumentText({"quorvin", "/c:alpha", "/t:3"}), QStringLiteral("/c:alpha /t:3"));
    EXPECT_EQ(argumentText({"quorvin"}), QString());
}

// Only a sole "--help" or "--version" is answered before start-up; anything else goes to the switches.
TEST(CommandLine, TakesHelpAndVersionOnlyAsTheSoleArgument)
{
    struct Words {
        std::vector<const char *> argv;
        const char *starts; // empty: left to the switches
    };
    const Words cases[] = {
        {{"quorvin", "--help"}, "Usage: quorvin"},
        {{"quorvin", "--version"}, "quorvin "},
        {{"quorvin"}, ""},
        {{"quorvin", "--HELP"}, ""},
        {{"quorvin", "-h"}, ""},
        {{"quorvin", "--help", "/c:alpha"}, ""},
        {{"quorvin", "/c:alpha", "--version"}, ""},
        {{"quorvin", "/c:--help /t:1"}, ""},
    };
    for (const Words &c : cases) {
        SCOPED_TRACE(c.argv.back());
        const auto text = informationRequested(static_cast<int>(c.argv.size()), c.argv.data());
        if (*c.starts)
            EXPECT_TRUE(text && text->starts_with(c.starts));
        else
            EXPECT_FALSE(text);
    }
}
