#include "mgmt/linux/BusGreeting.h"
#include "mgmt/Error.h"

#include <cstdint>
#include <cstring>

namespace quorvin::mgmt::linux_ {

void serviceManagerNotAvailable(const std::string &reason)
{
    throw Error(err::Failed, "The service manager is not available: " + reason);
}

// sd-bus returns before the bus has greeted us, and would wait 90 s for that greeting on its own: a bus that
// accepts connections but never answers must not stall a refresh that long.
void awaitGreeting(sd_bus *bus, std::chrono::microseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (sd_bus_is_ready(bus) > 0)
            return;
        int r = sd_bus_process(bus, nullptr);
        if (r < 0)
            serviceManagerNotAvailable("the system bus refused the connection (" +
                                       std::string(std::strerror(-r)) + ").");
        if (sd_bus_is_open(bus) <= 0)
            serviceManagerNotAvailable("the system bus closed the connection.");
        if (r > 0)
            continue;
        const auto left =
            std::chrono::duration_cast<std::chrono::microseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            serviceManagerNotAvailable("the system bus does not answer.");
        r = sd_bus_wait(bus, static_cast<std::uint64_t>(left.count()));
        if (r < 0)
            serviceManagerNotAvailable("the system bus cannot be read (" + std::string(std::strerror(-r)) +
                                       ").");
    }
}

} // namespace quorvin::mgmt::linux_
