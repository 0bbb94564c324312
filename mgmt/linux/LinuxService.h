#pragma once
#include "mgmt/Source.h"
#include "mgmt/linux/LinuxSystem.h"

#include <memory>

namespace quorvin::mgmt::linux_ {

// A connection to a Linux system, this computer or another: every call reads the system afresh.
class LinuxService final : public Service {
public:
    explicit LinuxService(std::shared_ptr<LinuxSystem> system);

    std::vector<Instance> instancesOf(std::string_view className) override;
    std::vector<Instance> execQuery(std::string_view wql) override;
    std::vector<ClassAnswer> instancesOfEach(std::span<const std::string_view> asks) override;

private:
    std::shared_ptr<LinuxSystem> m_system;
};

} // namespace quorvin::mgmt::linux_
