#pragma once
#include "mgmt/Source.h"
#include <memory>

namespace quorvin::mgmt {

// The source the program answers from: the recorded data set named by QUORVIN_REPLAY, else this computer.
// Throws mgmt::Error when the recording cannot be used.
std::unique_ptr<Source> createSource();

} // namespace quorvin::mgmt
