#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvin::mgmt::linux_ {

// One physical processor package and the logical processors /proc/cpuinfo lists in it.
struct ProcessorPackage {
    std::uint64_t physicalId = 0;
    std::string modelName; // empty when the file gives none (as on many ARM systems)
    unsigned logicalProcessors = 0;
};

// Packages in ascending "physical id". Processors without a "physical id" (ARM, some virtual machines)
// all count as package 0, so a file that lists any processor gives at least one package.
std::vector<ProcessorPackage> parseCpuInfo(std::string_view procCpuinfo);

} // namespace quorvin::mgmt::linux_
