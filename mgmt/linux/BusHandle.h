#pragma once
#include <systemd/sd-bus.h>

#include <memory>

namespace quorvin::mgmt::linux_ {

// Owners of sd-bus objects. A bus is closed without a flush: every call waits for its answer, so nothing is
// left to send, and a flush would first wait (90 s) for a bus that never greeted us.
struct BusCloser {
    void operator()(sd_bus *bus) const noexcept { sd_bus_close_unref(bus); }
};
using BusPtr = std::unique_ptr<sd_bus, BusCloser>;

struct BusMessageUnref {
    void operator()(sd_bus_message *message) const noexcept { sd_bus_message_unref(message); }
};
using BusMessagePtr = std::unique_ptr<sd_bus_message, BusMessageUnref>;

} // namespace quorvin::mgmt::linux_
