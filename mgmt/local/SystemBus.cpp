#include "mgmt/local/SystemBus.h"
#include "mgmt/linux/BusGreeting.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace quorvin::mgmt::linux_ {

BusPtr openSystemBus(std::chrono::microseconds callTimeout)
{
    sd_bus *raw = nullptr;
    const int r = sd_bus_open_system(&raw);
    BusPtr bus(raw);
    if (r < 0)
        serviceManagerNotAvailable("cannot connect to the system bus (" + std::string(std::strerror(-r)) +
                                   ").");
    sd_bus_set_method_call_timeout(bus.get(), static_cast<std::uint64_t>(callTimeout.count()));
    awaitGreeting(bus.get(), callTimeout);
    return bus;
}

} // namespace quorvin::mgmt::linux_
