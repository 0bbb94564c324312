#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace quorvin::mgmt::linux_ {

// The value of one KEY=value assignment of an os-release text, with its shell quoting undone; nothing when
// the key is not assigned. A value whose quotes do not close raises a malformed-file error naming `file`.
std::optional<std::string> osReleaseValue(std::string_view osRelease, std::string_view key,
                                          std::string_view file);

} // namespace quorvin::mgmt::linux_
