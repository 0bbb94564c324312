#include "mgmt/linux/LocalClasses.h"
#include "mgmt/Error.h"
#include "mgmt/linux/NetworkInterfaceClass.h"
#include "mgmt/linux/OperatingSystemClass.h"
#include "mgmt/linux/ProcessClass.h"
#include "mgmt/linux/ProcessPerfClass.h"
#include "mgmt/linux/ProcessorClass.h"
#include "mgmt/linux/ProcessorPerfClass.h"
#include "mgmt/linux/ServiceClass.h"

#include <array>

namespace quorvin::mgmt::linux_ {

namespace {

struct ClassEntry {
    std::string_view name;
    std::vector<Instance> (*instances)(const LocalSystem &);
};

// A new class is one more row.
const std::array<ClassEntry, 7> Classes{{
    {"Win32_OperatingSystem", &operatingSystemInstances},
    {"Win32_PerfRawData_PerfOS_Processor", &processorPerfInstances},
    {"Win32_PerfRawData_PerfProc_Process", &processPerfInstances},
    {"Win32_PerfRawData_Tcpip_NetworkInterface", &networkInterfaceInstances},
    {"Win32_Process", &processInstances},
    {"Win32_Processor", &processorInstances},
    {"Win32_Service", &serviceInstances},
}};

} // namespace

std::vector<Instance> localInstancesOf(const LocalSystem &system, std::string_view className)
{
    for (const ClassEntry &entry : Classes)
        if (equalsIgnoringCase(entry.name, className))
            return entry.instances(system);
    throw Error(err::InvalidClass);
}

NameMatch nameMatchOf(std::string_view className)
{
    return equalsIgnoringCase(className, "Win32_Service") ? NameMatch::Exact : NameMatch::IgnoringCase;
}

} // namespace quorvin::mgmt::linux_
