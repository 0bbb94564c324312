#pragma once
// Shared by the fuzz targets: the input as text, and a call whose reported failure is the expected outcome.

#include "mgmt/Error.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quorvin::fuzz {

inline std::string_view textOf(const std::uint8_t *data, std::size_t size)
{
    return {reinterpret_cast<const char *>(data), size};
}

// A malformed text ends in mgmt::Error, which the window reports; anything else escaping is a finding.
template <typename F> void rejectedOrParsed(F &&parse)
{
    try {
        parse();
    } catch (const mgmt::Error &) {
    }
}

} // namespace quorvin::fuzz
