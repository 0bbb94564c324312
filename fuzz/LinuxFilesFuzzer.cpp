// Every /proc and /sys parser on the same text: a kernel may put anything in any of these files.

#include "FuzzInput.h"
#include "mgmt/linux/CpuInfo.h"
#include "mgmt/linux/MemInfo.h"
#include "mgmt/linux/NetDev.h"
#include "mgmt/linux/OsRelease.h"
#include "mgmt/linux/ProcStat.h"
#include "mgmt/linux/ProcessTexts.h"
#include "mgmt/linux/TextFields.h"

using namespace quorvin::mgmt::linux_;
using quorvin::fuzz::rejectedOrParsed;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text = quorvin::fuzz::textOf(data, size);
    rejectedOrParsed([&] { parseProcessStat(text, "stat"); });
    rejectedOrParsed([&] { parseProcessStatm(text, "statm"); });
    rejectedOrParsed([&] { parseStatusSwapKb(text, "status"); });
    rejectedOrParsed([&] { parseUptime100Ns(text, "uptime"); });
    rejectedOrParsed([&] { parseMemInfo(text); });
    rejectedOrParsed([&] { parseCpuStat(text); });
    rejectedOrParsed([&] { parseBootTime(text); });
    rejectedOrParsed([&] { parseNetDev(text); });
    linkBitsPerSecond(text);
    rejectedOrParsed([&] { osReleaseValue(text, "PRETTY_NAME", "os-release"); });
    rejectedOrParsed([&] { parseCpuInfo(text); });
    rejectedOrParsed([&] { singleValue(text, "value"); });
    parseUnsigned(trimmed(text));
    rejectedOrParsed([&] {
        std::string_view rest = text;
        while (!rest.empty()) {
            std::string_view line = nextLine(rest, "lines");
            while (!nextToken(line).empty()) {
            }
        }
    });
    return 0;
}
