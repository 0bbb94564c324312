#include "mgmt/linux/LinuxClasses.h"
#include "mgmt/Error.h"
#include "mgmt/Names.h"
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
    std::vector<Instance> (*instances)(LinuxSystem &);
};

// One table for this computer and for others over SSH; a new class is one more row.
const std::array<ClassEntry, 7> Classes{{
    {cls::OperatingSystem, &operatingSystemInstances},
    {cls::ProcessorCounters, &processorPerfInstances},
    {cls::ProcessCounters, &processPerfInstances},
    {cls::NetworkInterface, &networkInterfaceInstances},
    {cls::Process, &processInstances},
    {cls::Processor, &processorInstances},
    {cls::Service, &serviceInstances},
}};

} // namespace

std::vector<Instance> linuxInstancesOf(LinuxSystem &system, std::string_view className)
{
    for (const ClassEntry &entry : Classes)
        if (equalsIgnoringCase(entry.name, className))
            return entry.instances(system);
    throw Error(err::InvalidClass);
}

NameMatch nameMatchOf(std::string_view className)
{
    return equalsIgnoringCase(className, cls::Service) || equalsIgnoringCase(className, cls::NetworkInterface)
               ? NameMatch::Exact
               : NameMatch::IgnoringCase;
}

} // namespace quorvin::mgmt::linux_
