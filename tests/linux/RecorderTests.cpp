#include "Fixtures.h"

#include "mgmt/local/LocalSource.h"
#include "mgmt/replay/ReplaySource.h"
#include "tools/record/Recorder.h"
#include "tools/record/RecordingFile.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quorvin::mgmt::linux_::test {
namespace {

namespace fs = std::filesystem;

// A process may give itself any bytes as its name: it is recorded with U+FFFD in place of what is not UTF-8,
// the recording replaces the file there only once it is whole, and it replays.
TEST(Recorder, ANameThatIsNotUtf8IsRecordedAndReplays)
{
    TreeCopy tree("processes");
    tree.write("proc/300/stat", "300 (bad\xff) S 1 300 300 0 -1 4194560 1 0 0 0 1 2 0 0 20 0 1 0 900 0 0\n");
    LocalSourceOptions options;
    options.root = tree.root();
    LocalSource source(options);
    tools::Recorder::Options what;
    what.classes = {"Win32_Process"};
    what.samples = 1;
    const nlohmann::json recording = tools::Recorder(source, what).record([](auto) {});

    const std::string output = tree.root() + "/recording.json";
    tree.write("recording.json", "an earlier recording");
    tools::writeRecording(output, recording);
    std::size_t files = 0;
    for (const auto &entry : fs::directory_iterator(tree.root()))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1u) << "nothing is left beside the recording";

    const auto replayed = ReplaySource::fromFile(output, "");
    const std::vector<Instance> processes =
        replayed->connect("winmgmts:")
            ->execQuery("select * from Win32_Process where name = 'bad\xEF\xBF\xBD'");
    ASSERT_EQ(processes.size(), 1u);
    EXPECT_EQ(processes.front().get("Handle"), Value("300"));
}

} // namespace
} // namespace quorvin::mgmt::linux_::test
