#pragma once
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quorvin::mgmt::linux_ {

// "/proc/PID/LEAF" without allocating: the part after "/proc/" opens the file below the proc directory, the
// whole names it in errors.
class PidPath final {
public:
    PidPath(std::int32_t pid, std::string_view leaf)
    {
        constexpr std::string_view Prefix = "/proc/";
        char *out = std::copy(Prefix.begin(), Prefix.end(), m_text);
        out = std::to_chars(out, m_text + sizeof m_text, pid).ptr;
        *out++ = '/';
        out = std::copy(leaf.begin(), leaf.end(), out);
        *out = '\0';
        m_size = static_cast<std::size_t>(out - m_text);
    }
    const char *relative() const noexcept { return m_text + 6; }
    std::string_view display() const noexcept { return {m_text, m_size}; }

private:
    char m_text[40];
    std::size_t m_size;
};

} // namespace quorvin::mgmt::linux_
