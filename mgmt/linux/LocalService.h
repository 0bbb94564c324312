#pragma once
#include "mgmt/Source.h"
#include "mgmt/linux/LocalSystem.h"

#include <memory>

namespace quorvin::mgmt::linux_ {

// A connection to this computer: every call reads the system afresh.
class LocalService final : public Service {
public:
    explicit LocalService(std::shared_ptr<const LocalSystem> system);

    std::vector<Instance> instancesOf(std::string_view className) override;
    std::vector<Instance> execQuery(std::string_view wql) override;

private:
    std::shared_ptr<const LocalSystem> m_system;
};

} // namespace quorvin::mgmt::linux_
