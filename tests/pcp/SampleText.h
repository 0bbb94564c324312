#pragma once
#include "mgmt/pcp/PcpSample.h"

#include <string>
#include <string_view>

namespace quorvin::test {

// A saved fetch, one item a line ('#' starts a comment):
//   source NAME | archive PATH             what the sample names in its messages
//   time SECONDS.MICROSECONDS              when the collector took it
//   metric NAME                            a metric with values; its value lines follow:
//   INSTANCE NAME TYPE VALUE...            "-" for the instance of a single value and for no name; TYPE is u
//                                          (unsigned), i (signed), d (floating point) or s (the rest of the
//                                          line)
//   gap NAME unknown|refused|failed WHY... a metric without values, and the collector's words
// Throws std::runtime_error naming the line for anything else.
mgmt::pcp::Sample readSample(std::string_view text);
mgmt::pcp::Sample loadSample(const std::string &path);

} // namespace quorvin::test
