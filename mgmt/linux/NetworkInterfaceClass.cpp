#include "mgmt/linux/NetworkInterfaceClass.h"
#include "mgmt/Names.h"

#include "mgmt/Error.h"

#include <string>

namespace quorvin::mgmt::linux_ {

std::vector<Instance> networkInterfaceInstances(const std::vector<InterfaceCounters> &interfaces,
                                                const std::vector<std::uint64_t> &bitsPerSecond)
{
    // One list of names for every instance.
    static const auto names = sharedNames({prop::Name, prop::PacketsSent, prop::PacketsReceived,
                                           prop::BytesSent, prop::BytesReceived, prop::CurrentBandWidth});
    std::vector<Instance> instances;
    instances.reserve(interfaces.size());
    for (std::size_t i = 0; i < interfaces.size(); ++i) {
        const InterfaceCounters &c = interfaces[i];
        instances.emplace_back(names, std::vector<Value>{
                                          c.name,
                                          std::to_string(c.packetsSent),
                                          std::to_string(c.packetsReceived),
                                          std::to_string(c.bytesSent),
                                          std::to_string(c.bytesReceived),
                                          std::to_string(i < bitsPerSecond.size() ? bitsPerSecond[i] : 0),
                                      });
    }
    return instances;
}

namespace {

// Interfaces without a link (loopback, a bridge that is down) refuse the read itself: they report no speed.
std::uint64_t speedOf(LinuxSystem &system, const std::string &name)
{
    if (name.find('/') != std::string::npos || name == "." || name == "..")
        return 0; // names come from the kernel, but never let one walk out of the directory
    try {
        const auto text = system.file("/sys/class/net/" + name + "/speed");
        return text ? linkBitsPerSecond(*text) : 0;
    } catch (const Error &) {
        return 0;
    }
}

} // namespace

Prefetch networkInterfaceNeeds()
{
    return Prefetch::ofFiles({"/proc/net/dev", "/sys/class/net/*/speed"});
}

std::vector<Instance> networkInterfaceInstances(LinuxSystem &system)
{
    system.prefetch(networkInterfaceNeeds());
    const std::vector<InterfaceCounters> interfaces = parseNetDev(system.requiredFile("/proc/net/dev"));
    std::vector<std::uint64_t> speeds;
    speeds.reserve(interfaces.size());
    for (const InterfaceCounters &c : interfaces)
        speeds.push_back(speedOf(system, c.name));
    return networkInterfaceInstances(interfaces, speeds);
}

} // namespace quorvin::mgmt::linux_
