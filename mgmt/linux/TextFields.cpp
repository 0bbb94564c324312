#include "mgmt/linux/TextFields.h"

#include <charconv>
#include <string>

namespace quorvin::mgmt::linux_ {

namespace {
bool isBlank(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
} // namespace

std::string_view trimmed(std::string_view text) noexcept
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::optional<std::uint64_t> parseUnsigned(std::string_view text) noexcept
{
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    std::uint64_t value = 0;
    const char *end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end)
        return std::nullopt;
    return value;
}

std::string_view nextToken(std::string_view &text) noexcept
{
    std::size_t start = 0;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    std::size_t end = start;
    while (end < text.size() && !isBlank(text[end]))
        ++end;
    const std::string_view token = text.substr(start, end - start);
    text.remove_prefix(end);
    return token;
}

std::string_view nextLine(std::string_view &text, std::string_view file)
{
    const std::size_t newline = text.find('\n');
    if (newline == std::string_view::npos)
        throw malformedFile(file, "ends in the middle of the line \"" + std::string(text.substr(0, 40)) +
                                      "\" (the file is truncated)");
    const std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline + 1);
    return line;
}

std::string_view singleValue(std::string_view text, std::string_view file)
{
    const std::string_view value = trimmed(text);
    if (value.empty())
        throw malformedFile(file, "is empty");
    if (value.find('\n') != std::string_view::npos)
        throw malformedFile(file, "holds more than one line");
    return value;
}

Error malformedFile(std::string_view file, std::string_view what)
{
    std::string description(file);
    description += ' ';
    description += what;
    return Error(err::Failed, std::move(description));
}

} // namespace quorvin::mgmt::linux_
