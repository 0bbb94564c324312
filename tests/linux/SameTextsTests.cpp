#include "Fixtures.h"

#include "mgmt/Names.h"
#include "mgmt/Query.h"
#include "mgmt/linux/LinuxService.h"
#include "mgmt/linux/ProcStat.h"
#include "mgmt/local/LocalSource.h"
#include "mgmt/local/SystemFiles.h"
#include "mgmt/remote/RemoteShell.h"
#include "mgmt/remote/RemoteSystem.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace quorvin::mgmt::test {
namespace {

namespace fs = std::filesystem;
using linux_::test::fixturePath;
using linux_::test::readFixture;

// Answers every command with all the texts of a saved tree, as the remote commands print them: each line of
// a file behind its path (a process's files below /proc named from there), worked-out values as "=KEY VALUE".
class SavedTreeShell final : public remote::RemoteShell {
public:
    explicit SavedTreeShell(std::string answer) : m_answer(std::move(answer)) {}
    std::string output(std::string_view) override
    {
        ++commands;
        return m_answer;
    }
    std::uint64_t ticksPerSecond() override { return 100; }
    std::uint64_t pageSize() override { return 4096; }
    void withBus(const std::function<void(sd_bus *)> &) override { FAIL() << "no bus here"; }

    int commands = 0;

private:
    std::string m_answer;
};

std::string optionalNumber(const std::optional<std::int64_t> &value)
{
    return value ? std::to_string(*value) : std::string();
}

std::string remoteAnswerFor(const std::string &tree)
{
    const std::string root = fixturePath(tree);
    static const std::regex processFile("proc/([0-9]+/.*)");
    std::string answer;
    std::size_t processes = 0;
    for (const fs::directory_entry &entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).string();
        std::smatch match;
        const bool ofProcess = std::regex_match(relative, match, processFile);
        if (entry.is_directory() && std::regex_match(relative, std::regex("proc/[0-9]+")))
            ++processes;
        if (!entry.is_regular_file())
            continue;
        const std::string name = ofProcess ? match[1].str() : "/" + relative;
        std::istringstream lines(readFixture(tree + "/" + relative));
        for (std::string line; std::getline(lines, line);)
            answer += name + ":" + line + "\n";
    }
    answer += "=processes " + std::to_string(processes) + "\n";
    const linux_::SystemFiles files(root);
    const auto birth = files.birthTime(""), machineId = files.modificationTime("etc/machine-id"),
               hostName = files.modificationTime("etc/hostname");
    answer += "=birth:/ " + optionalNumber(birth) + "\n=modified:/etc/machine-id " +
              optionalNumber(machineId) + "\n=modified:/etc/hostname " + optionalNumber(hostName) + "\n";
    std::vector<std::optional<std::int64_t>> moments{birth, machineId, hostName};
    if (fs::exists(root + "/proc/stat"))
        moments.push_back(linux_::parseBootTime(readFixture(tree + "/proc/stat")));
    for (const auto &moment : moments)
        if (moment)
            answer += "=offset:" + std::to_string(*moment) + " +0100\n";
    return answer;
}

using Properties = std::vector<std::pair<std::string, Value>>;

std::vector<Properties> propertiesOf(const std::vector<Instance> &instances)
{
    std::vector<Properties> all;
    for (const Instance &instance : instances) {
        Properties properties;
        for (const Property &p : instance.properties())
            properties.emplace_back(p.name, p.value);
        all.push_back(std::move(properties));
    }
    return all;
}

// The same texts read from files here and from a remote answer make the same instances: both backends build
// their results with the same code.
TEST(SameTexts, GiveTheSameInstancesFromFilesAndFromARemoteAnswer)
{
    const struct {
        const char *tree;
        std::string_view className;
    } cases[] = {
        {"laptop-2core", cls::OperatingSystem},
        {"server-64core-2socket", cls::OperatingSystem},
        {"container-noswap", cls::OperatingSystem},
        {"processes", cls::ProcessCounters}, // processes that ended on the way, with swap in use
        {"processes", cls::Process},
        {"laptop-2core", cls::Processor},
        {"server-64core-2socket", cls::ProcessorCounters},
        {"laptop-2core", cls::NetworkInterface},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.tree) + " " + std::string(c.className));
        LocalSourceOptions options;
        options.root = fixturePath(c.tree);
        options.utcOffsetMinutes = [](std::int64_t) { return 60; };
        options.clockTicksPerSecond = 100;
        options.pageSize = 4096;
        const auto here = LocalSource(std::move(options)).connect("winmgmts:")->instancesOf(c.className);
        auto shell = std::make_shared<SavedTreeShell>(remoteAnswerFor(c.tree));
        linux_::LinuxService there(std::make_shared<remote::RemoteSystem>(shell));
        EXPECT_EQ(propertiesOf(there.instancesOf(c.className)), propertiesOf(here));
        EXPECT_FALSE(here.empty());
    }
}

// Several classes cost one command on the other computer, and each is what it is alone, or asked by a query.
TEST(SameTexts, OfSeveralClassesComeInOneRoundTrip)
{
    const std::string_view classes[] = {
        cls::OperatingSystem, cls::ProcessorCounters, cls::NetworkInterface,
        "select * from Win32_PerfRawData_PerfOS_Processor where name = '_Total'"};
    auto shell = std::make_shared<SavedTreeShell>(remoteAnswerFor("laptop-2core"));
    linux_::LinuxService there(std::make_shared<remote::RemoteSystem>(shell));
    const std::vector<ClassAnswer> answers = there.instancesOfEach(classes);
    EXPECT_EQ(shell->commands, 1);
    ASSERT_EQ(answers.size(), std::size(classes));
    for (std::size_t i = 0; i < answers.size(); ++i) {
        SCOPED_TRACE(std::string(classes[i]));
        ASSERT_FALSE(answers[i].error) << answers[i].error->what();
        EXPECT_FALSE(answers[i].instances.empty());
        const Query query = askOf(classes[i]);
        EXPECT_EQ(
            propertiesOf(answers[i].instances),
            propertiesOf(query.nameEquals ? there.execQuery(classes[i]) : there.instancesOf(classes[i])));
    }
}

} // namespace
} // namespace quorvin::mgmt::test
