#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct sd_bus;

namespace quorvin::mgmt::remote {

class SshSession;

// Starts every command: the C locale, whose words and numbers the parsers read, and /proc as the directory
// that the processes' files are named from.
inline constexpr std::string_view ShellPrelude = "export LC_ALL=C; cd /proc || exit 1\n";

// A shell on another computer, as the remote classes use it: commands in, what they printed out.
class RemoteShell {
public:
    virtual ~RemoteShell() = default;

    // What the commands printed; a lost connection raises "Generic failure".
    virtual std::string output(std::string_view commands) = 0;
    // What the computer's shells count in.
    virtual std::uint64_t ticksPerSecond() = 0;
    virtual std::uint64_t pageSize() = 0;
    // Runs a call on the computer's system bus, over a bridge kept while the connection lasts.
    virtual void withBus(const std::function<void(sd_bus *)> &work) = 0;
};

} // namespace quorvin::mgmt::remote
