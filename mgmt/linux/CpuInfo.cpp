#include "mgmt/linux/CpuInfo.h"
#include "mgmt/linux/TextFields.h"

#include <map>
#include <optional>

namespace quorvin::mgmt::linux_ {

namespace {

constexpr std::string_view File = "/proc/cpuinfo";

// The facts of one logical processor, gathered from its block of "key : value" lines.
struct Block {
    bool isProcessor = false;
    std::uint64_t physicalId = 0;
    std::string_view modelName;
};

std::uint64_t number(std::string_view key, std::string_view value)
{
    const std::optional<std::uint64_t> parsed = parseUnsigned(value);
    if (!parsed)
        throw malformedFile(File, "has a \"" + std::string(key) + "\" that is not a whole number: \"" +
                                      std::string(value.substr(0, 24)) + "\"");
    return *parsed;
}

void addTo(std::map<std::uint64_t, ProcessorPackage> &packages, const Block &block)
{
    if (!block.isProcessor)
        return; // the header and trailer blocks some architectures write
    ProcessorPackage &package = packages[block.physicalId];
    package.physicalId = block.physicalId;
    if (package.modelName.empty())
        package.modelName = std::string(block.modelName);
    ++package.logicalProcessors;
}

} // namespace

std::vector<ProcessorPackage> parseCpuInfo(std::string_view procCpuinfo)
{
    if (trimmed(procCpuinfo).empty())
        throw malformedFile(File, "is empty");
    std::map<std::uint64_t, ProcessorPackage> packages;
    Block block;
    std::string_view rest = procCpuinfo;
    while (!rest.empty()) {
        const std::string_view line = nextLine(rest, File);
        if (trimmed(line).empty()) {
            addTo(packages, block);
            block = {};
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            throw malformedFile(File,
                                "has a line without \":\": \"" + std::string(line.substr(0, 40)) + "\"");
        const std::string_view key = trimmed(line.substr(0, colon));
        const std::string_view value = trimmed(line.substr(colon + 1));
        if (key == "processor") {
            number(key, value);
            addTo(packages, block); // a new processor without a blank line before it
            block = {};
            block.isProcessor = true;
        } else if (key == "physical id") {
            block.physicalId = number(key, value);
        } else if (key == "model name") {
            block.modelName = value;
        }
    }
    addTo(packages, block);
    if (packages.empty())
        throw malformedFile(File, "lists no processor (no \"processor\" line)");
    std::vector<ProcessorPackage> result;
    result.reserve(packages.size());
    for (auto &[id, package] : packages)
        result.push_back(std::move(package));
    return result;
}

} // namespace quorvin::mgmt::linux_
