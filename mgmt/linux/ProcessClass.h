#pragma once
#include "mgmt/Instance.h"
#include "mgmt/linux/LinuxSystem.h"
#include "mgmt/linux/ProcessSample.h"

#include <memory>
#include <vector>

namespace quorvin::mgmt::linux_ {

// One instance per process in the walk's order: Name the comm (the same name as the process counters give,
// without their "#n", and without an extension), Handle the pid as text, ProcessId the pid, StartTime the
// process's start in clock ticks after boot as text (with the pid it names one process, never a later one
// that reuses the pid). `methods` carries out Terminate.
std::vector<Instance> processInstances(const std::vector<ProcessSample> &processes,
                                       const std::shared_ptr<const MethodInvoker> &methods);

// The instances of "Win32_Process".
std::vector<Instance> processInstances(LinuxSystem &system);

} // namespace quorvin::mgmt::linux_
