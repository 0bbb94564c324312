#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace quorvin::mgmt {

// Error numbers as the management service and the scripting runtime report them.
namespace err {
inline constexpr std::int32_t Overflow = 6;
inline constexpr std::int32_t SubscriptOutOfRange = 9;
inline constexpr std::int32_t DivisionByZero = 11;
inline constexpr std::int32_t TypeMismatch = 13;
inline constexpr std::int32_t InvalidUseOfNull = 94;
inline constexpr std::int32_t InvalidPropertyValue = 380;
inline constexpr std::int32_t MethodNotSupported = 438;
inline constexpr std::int32_t RemoteServerUnavailable = 462;
inline constexpr std::int32_t Failed = -2147217407;
inline constexpr std::int32_t NotFound = -2147217406;
inline constexpr std::int32_t InvalidClass = -2147217392;
inline constexpr std::int32_t InvalidQuery = -2147217385;
inline constexpr std::int32_t InvalidSyntax = -2147221020;
inline constexpr std::int32_t AccessDenied = -2147024891;
} // namespace err

// A failure of the management data source or of a conversion: a number and a description.
class Error : public std::runtime_error {
public:
    Error(std::int32_t number, std::string description);
    // The standard description of a well-known number.
    explicit Error(std::int32_t number);

    std::int32_t number() const noexcept { return m_number; }
    const std::string &description() const noexcept { return m_description; }

    static std::string standardDescription(std::int32_t number);

private:
    std::int32_t m_number;
    std::string m_description;
};

} // namespace quorvin::mgmt
