#include "mgmt/linux/NetworkInterfaceClass.h"

#include "mgmt/Error.h"

#include <string>

namespace quorvin::mgmt::linux_ {

std::vector<Instance> networkInterfaceInstances(const std::vector<InterfaceCounters> &interfaces,
                                                const std::vector<std::uint64_t> &bitsPerSecond)
{
    std::vector<Instance> instances;
    instances.reserve(interfaces.size());
    for (std::size_t i = 0; i < interfaces.size(); ++i) {
        const InterfaceCounters &c = interfaces[i];
        instances.emplace_back(std::vector<Property>{
            {"Name", c.name},
            {"PacketsSentPersec", std::to_string(c.packetsSent)},
            {"PacketsReceivedPersec", std::to_string(c.packetsReceived)},
            {"BytesSentPersec", std::to_string(c.bytesSent)},
            {"BytesReceivedPersec", std::to_string(c.bytesReceived)},
            {"CurrentBandWidth", std::to_string(i < bitsPerSecond.size() ? bitsPerSecond[i] : 0)},
        });
    }
    return instances;
}

namespace {

// Interfaces without a link (loopback, a bridge that is down) refuse the read itself: they report no speed.
std::uint64_t speedOf(const SystemFiles &files, const std::string &name)
{
    if (name.find('/') != std::string::npos || name == "." || name == "..")
        return 0; // names come from the kernel, but never let one walk out of the directory
    try {
        const auto text = files.readIfPresent("sys/class/net/" + name + "/speed");
        return text ? linkBitsPerSecond(*text) : 0;
    } catch (const Error &) {
        return 0;
    }
}

} // namespace

std::vector<Instance> networkInterfaceInstances(const LocalSystem &system)
{
    const std::vector<InterfaceCounters> interfaces = parseNetDev(system.files.read("proc/net/dev"));
    std::vector<std::uint64_t> speeds;
    speeds.reserve(interfaces.size());
    for (const InterfaceCounters &c : interfaces)
        speeds.push_back(speedOf(system.files, c.name));
    return networkInterfaceInstances(interfaces, speeds);
}

} // namespace quorvin::mgmt::linux_
