#pragma once

namespace quorvin {

// Hands the free pages of the heap back to the system once there are megabytes of them. A refresh of
// thousands of processes frees megabytes of small blocks between long-lived ones, which the allocator would
// otherwise keep resident until the next refresh.
void releaseFreedMemory();

} // namespace quorvin
