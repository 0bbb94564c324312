#pragma once
#include <optional>
#include <string_view>

namespace quorvin {

// The version of this build, from the CMake project.
std::string_view versionNumber();

// What "quorvin --help" and "quorvin --version" print. Only one of these words as the sole argument asks for
// it; every other command line is left to the switches /c: and /t:, which nothing here changes.
std::optional<std::string_view> informationRequested(int argc, const char *const argv[]);

} // namespace quorvin
