#pragma once
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quorvin::mgmt::linux_::test {

// The saved system trees and damaged files under tests/fixtures/linux.
inline std::string fixturePath(std::string_view relative)
{
    return std::string(QUORVIN_FIXTURES_DIR) + "/linux/" + std::string(relative);
}

inline std::string readFixture(std::string_view relative)
{
    std::ifstream in(fixturePath(relative), std::ios::binary);
    if (!in)
        throw std::runtime_error("missing fixture " + fixturePath(relative));
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace quorvin::mgmt::linux_::test
