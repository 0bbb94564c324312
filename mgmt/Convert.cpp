#include "mgmt/Convert.h"
#include "mgmt/Error.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace quorvin::mgmt {

namespace {

std::string_view trimmed(std::string_view s)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::optional<double> parseDecimal(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    // Counters are mostly plain digits: up to 15 of them are a whole number below 2^53, which a double holds
    // exactly, as the general parse would give it.
    if (text.size() <= 15 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        std::uint64_t whole = 0;
        for (const char c : text)
            whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
        return static_cast<double>(whole);
    }
    double result = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), result);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(result))
        return std::nullopt;
    return result;
}

std::string plainDecimal(double value)
{
    if (value == 0)
        return "0";
    char buffer[400]; // room for the fixed form of any finite double
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (ec != std::errc())
        return "0";
    return std::string(buffer, end);
}

std::string toText(const Value &value)
{
    if (value.isNull())
        throw Error(err::InvalidUseOfNull);
    if (value.isBool())
        return value.boolean() ? "True" : "False";
    if (value.isNumber())
        return plainDecimal(value.number());
    return value.text();
}

double toDouble(const Value &value)
{
    if (value.isNull())
        throw Error(err::InvalidUseOfNull);
    if (value.isBool())
        return value.boolean() ? -1.0 : 0.0;
    if (value.isNumber())
        return value.number();
    if (const auto parsed = parseDecimal(value.text()))
        return *parsed;
    throw Error(err::TypeMismatch);
}

} // namespace quorvin::mgmt
