#include "mgmt/linux/OsRelease.h"
#include "mgmt/linux/TextFields.h"

namespace quorvin::mgmt::linux_ {

namespace {

// The characters a backslash escapes inside double quotes, as the shell has it.
bool escapableInDoubleQuotes(char c) noexcept
{
    return c == '"' || c == '\\' || c == '$' || c == '`';
}

std::string unquoted(std::string_view value, std::string_view key, std::string_view file)
{
    std::string result;
    std::size_t i = 0;
    while (i < value.size()) {
        const char c = value[i];
        if (c == '\'') {
            const std::size_t close = value.find('\'', i + 1);
            if (close == std::string_view::npos)
                throw malformedFile(file,
                                    "has a \"" + std::string(key) + "\" whose single quote does not close");
            result += value.substr(i + 1, close - i - 1);
            i = close + 1;
        } else if (c == '"') {
            ++i;
            bool closed = false;
            while (i < value.size()) {
                const char d = value[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d == '\\' && i < value.size() && escapableInDoubleQuotes(value[i]))
                    result += value[i++];
                else
                    result += d;
            }
            if (!closed)
                throw malformedFile(file,
                                    "has a \"" + std::string(key) + "\" whose double quote does not close");
        } else if (c == '\\' && i + 1 < value.size()) {
            result += value[i + 1];
            i += 2;
        } else {
            result += c;
            ++i;
        }
    }
    return result;
}

} // namespace

std::optional<std::string> osReleaseValue(std::string_view osRelease, std::string_view key,
                                          std::string_view file)
{
    std::optional<std::string> found;
    while (!osRelease.empty()) {
        const std::size_t newline = osRelease.find('\n');
        std::string_view line = trimmed(osRelease.substr(0, newline));
        osRelease.remove_prefix(newline == std::string_view::npos ? osRelease.size() : newline + 1);
        if (line.empty() || line.front() == '#')
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || trimmed(line.substr(0, equals)) != key)
            continue;
        found = unquoted(trimmed(line.substr(equals + 1)), key, file); // the last assignment wins
    }
    return found;
}

} // namespace quorvin::mgmt::linux_
