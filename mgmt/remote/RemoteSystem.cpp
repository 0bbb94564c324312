#include "mgmt/remote/RemoteSystem.h"
#include "mgmt/Error.h"
#include "mgmt/linux/MemInfo.h"
#include "mgmt/linux/ProcStat.h"
#include "mgmt/linux/ProcessSampleBuilder.h"
#include "mgmt/linux/ProcessTexts.h"
#include "mgmt/linux/ServiceManager.h"
#include "mgmt/linux/TextFields.h"
#include "mgmt/remote/RemoteTerminator.h"
#include "mgmt/remote/SshBusBridge.h"
#include "mgmt/remote/SshSession.h"

#include <algorithm>
#include <charconv>
#include <fnmatch.h>

namespace quorvin::mgmt::remote {

using namespace linux_;

namespace {

// The paths come from the classes, never from a computer; quoted all the same.
std::string quoted(const std::vector<std::string> &paths)
{
    std::string text;
    for (const std::string &path : paths)
        text += " '" + path + "'";
    return text;
}

// Patterns stay unquoted so that the shell expands them.
std::string listed(const std::vector<std::string> &paths)
{
    std::string text;
    for (const std::string &path : paths)
        text += " " + path;
    return text;
}

// Each process's stat (and for the counters statm, and status where swap is configured) named below /proc,
// then the machine's files, so that no process time is newer than the timestamp. Of status only the lines
// needed: State, which every status has (a missing one means the process ended), and VmSwap.
std::string processCommand(ProcessDetail detail)
{
    if (detail == ProcessDetail::Names)
        return "grep -aH '' [0-9]*/stat 2>/dev/null\n";
    return "grep -aH '' /proc/meminfo [0-9]*/stat [0-9]*/statm /proc/stat /proc/uptime 2>/dev/null\n"
           "grep -q '^SwapTotal: *0 kB' /proc/meminfo || "
           "grep -aH -e '^State:' -e '^VmSwap:' [0-9]*/status 2>/dev/null\n";
}

// "+0130" as minutes.
int offsetMinutes(std::string_view zone)
{
    if (zone.size() != 5 || (zone[0] != '+' && zone[0] != '-'))
        return 0;
    int hours = 0, minutes = 0;
    std::from_chars(zone.data() + 1, zone.data() + 3, hours);
    std::from_chars(zone.data() + 3, zone.data() + 5, minutes);
    return (zone[0] == '-' ? -1 : 1) * (hours * 60 + minutes);
}

bool contains(const std::vector<std::string> &paths, const std::string &path)
{
    return std::find(paths.begin(), paths.end(), path) != paths.end();
}

} // namespace

RemoteSystem::RemoteSystem(std::shared_ptr<RemoteShell> shell) : m_shell(std::move(shell)) {}

std::string RemoteSystem::commandFor(const Prefetch &needs)
{
    std::string command(ShellPrelude);
    if (!needs.files.empty())
        command += "grep -aH ''" + listed(needs.files) + " 2>/dev/null\n";
    if (needs.processes)
        command += processCommand(*needs.processes);
    if (needs.processCount)
        command += "set -- [0-9]*; echo \"=processes $#\"\n";
    // T collects the times, for their offsets from UTC.
    command += "T=\n";
    if (!needs.birthTimes.empty())
        command += "for p in" + quoted(needs.birthTimes) +
                   "; do t=$(stat -c %W \"$p\" 2>/dev/null); echo \"=birth:$p $t\"; T=\"$T $t\"; done\n";
    if (!needs.modificationTimes.empty())
        command += "for p in" + quoted(needs.modificationTimes) +
                   "; do t=$(stat -c %Y \"$p\" 2>/dev/null); echo \"=modified:$p $t\"; T=\"$T $t\"; done\n";
    if (needs.utcOffsets)
        command += R"sh(for t in $(sed -n 's/^btime //p' /proc/stat) $T; do case "$t" in ''|0|*[!0-9]*) ;;
 *) echo "=offset:$t $(date -d "@$t" +%z 2>/dev/null)";; esac; done
)sh";
    return command;
}

void RemoteSystem::prefetch(const Prefetch &needs)
{
    m_texts = RemoteTexts(m_shell->output(commandFor(needs)));
    m_asked = needs;
}

void RemoteSystem::requireAsked(bool asked, const std::string &what) const
{
    if (!asked)
        throw Error(err::Failed, "The remote computer was not asked for " + what + " beforehand.");
}

std::optional<std::string> RemoteSystem::value(const std::string &key) const
{
    return m_texts.value(key);
}

std::optional<std::string> RemoteSystem::file(const std::string &path)
{
    requireAsked(std::any_of(m_asked.files.begin(), m_asked.files.end(),
                             [&path](const std::string &pattern) {
                                 return ::fnmatch(pattern.c_str(), path.c_str(), FNM_PATHNAME) == 0;
                             }),
                 path);
    const std::string *text = m_texts.file(path);
    return text ? std::optional<std::string>(*text) : std::nullopt;
}

std::string RemoteSystem::requiredFile(const std::string &path)
{
    std::optional<std::string> text = file(path);
    if (!text)
        return m_texts.required(path); // raises, naming the file
    return std::move(*text);
}

std::optional<std::int64_t> RemoteSystem::birthTime(const std::string &path)
{
    requireAsked(contains(m_asked.birthTimes, path), "the birth time of " + path);
    // 0, "-" or "?" where the file system keeps none.
    const auto seconds = parseUnsigned(value("birth:" + path).value_or(""));
    if (!seconds || *seconds == 0 || *seconds > static_cast<std::uint64_t>(INT64_MAX))
        return std::nullopt;
    return static_cast<std::int64_t>(*seconds);
}

std::optional<std::int64_t> RemoteSystem::modificationTime(const std::string &path)
{
    requireAsked(contains(m_asked.modificationTimes, path), "the modification time of " + path);
    const auto seconds = parseUnsigned(value("modified:" + path).value_or(""));
    if (!seconds || *seconds > static_cast<std::uint64_t>(INT64_MAX))
        return std::nullopt;
    return static_cast<std::int64_t>(*seconds);
}

std::uint64_t RemoteSystem::processCount()
{
    requireAsked(m_asked.processCount, "its number of processes");
    return parseUnsigned(value("processes").value_or("")).value_or(0);
}

int RemoteSystem::utcOffsetMinutes(std::int64_t epochSeconds)
{
    requireAsked(m_asked.utcOffsets, "its offsets from UTC");
    return offsetMinutes(value("offset:" + std::to_string(epochSeconds)).value_or(""));
}

ProcessWalk RemoteSystem::walkProcesses(ProcessDetail detail)
{
    requireAsked(m_asked.processes == detail ||
                     (m_asked.processes == ProcessDetail::Counters && detail == ProcessDetail::Names),
                 "its processes");
    const bool counters = detail == ProcessDetail::Counters;
    const ProcessSampleBuilder builder(
        counters, counters && parseMemInfo(m_texts.required("/proc/meminfo")).swapInUse());
    ProcessWalk walk;
    for (const auto &[path, text] : m_texts.files()) {
        const auto slash = path.find('/');
        if (slash == std::string::npos || path.compare(slash, std::string::npos, "/stat") != 0)
            continue;
        const std::optional<std::uint64_t> pid = parseUnsigned(std::string_view(path).substr(0, slash));
        if (!pid || *pid == 0 || *pid > static_cast<std::uint64_t>(INT32_MAX))
            continue;
        const std::string prefix = path.substr(0, slash + 1);
        const auto textOf = [&](const char *leaf) -> std::optional<std::string_view> {
            const std::string *found = m_texts.file(prefix + leaf);
            return found ? std::optional<std::string_view>(*found) : std::nullopt;
        };
        if (std::optional<ProcessSample> sample =
                builder.build(static_cast<std::int32_t>(*pid), {text, textOf("statm"), textOf("status")}))
            walk.processes.push_back(std::move(*sample));
    }
    // The texts come sorted as paths ("10/stat" before "2/stat").
    std::sort(walk.processes.begin(), walk.processes.end(),
              [](const ProcessSample &a, const ProcessSample &b) { return a.pid < b.pid; });
    if (counters) {
        const CpuStat cpu = parseCpuStat(m_texts.required("/proc/stat"));
        walk.idleTicks = cpu.total.idleTicks();
        walk.processorCount = cpu.processors.size();
        walk.timestamp100Ns = parseUptime100Ns(m_texts.required("/proc/uptime"), "/proc/uptime");
    }
    return walk;
}

std::shared_ptr<const MethodInvoker> RemoteSystem::processMethods()
{
    return std::make_shared<RemoteTerminator>(m_shell);
}

WithServiceManager RemoteSystem::serviceManager()
{
    return [shell = m_shell](const ServiceAction &action) {
        shell->withBus([&action](sd_bus *bus) { action(ServiceManager(bus)); });
    };
}

} // namespace quorvin::mgmt::remote
