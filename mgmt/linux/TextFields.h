#pragma once
#include "mgmt/Error.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvin::mgmt::linux_ {

// Small pieces shared by the parsers of kernel and configuration texts.

std::string_view trimmed(std::string_view text) noexcept;

// A run of decimal digits that fits in 64 bits; nothing for anything else (signs and blanks included).
std::optional<std::uint64_t> parseUnsigned(std::string_view text) noexcept;

// The next whitespace-separated token of text, removed from its front; empty at the end.
std::string_view nextToken(std::string_view &text) noexcept;

// The next line of text without its newline, removed from its front. A last line that lacks its newline means
// the text was cut short, which kernel files never are: that raises a malformed-file error naming the file.
std::string_view nextLine(std::string_view &text, std::string_view file);

// The content of a file that holds one value on one line (/proc/sys/kernel/ostype): trimmed, and neither
// empty nor spread over several lines, or a malformed-file error.
std::string_view singleValue(std::string_view text, std::string_view file);

// "Generic failure" with a description that starts with the file's name.
Error malformedFile(std::string_view file, std::string_view what);

} // namespace quorvin::mgmt::linux_
