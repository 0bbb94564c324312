#pragma once
#include "mgmt/Instance.h"
#include "mgmt/linux/ServiceManager.h"

#include <functional>
#include <string_view>

namespace quorvin::mgmt::linux_ {

// The methods of "Win32_Service": StartService and StopService queue a job for the unit in the instance's
// Name and return without waiting for it. The manager's refusals arrive as its errors (see ServiceManager).
class ServiceMethods final : public MethodInvoker {
public:
    using Action = std::function<void(const ServiceManager &)>;
    // Runs an action with a manager on a bus that stays open for the call: a fresh one on this computer, a
    // shared one for a remote computer.
    using WithManager = std::function<void(const Action &)>;

    explicit ServiceMethods(WithManager withManager);

    void invoke(const Instance &instance, std::string_view method) const override;

private:
    WithManager m_withManager;
};

} // namespace quorvin::mgmt::linux_
