#include "mgmt/Error.h"

namespace quorvin::mgmt {

Error::Error(std::int32_t number, std::string description)
    : std::runtime_error(std::to_string(number) + " " + description), m_number(number),
      m_description(std::move(description))
{
}

Error::Error(std::int32_t number) : Error(number, standardDescription(number)) {}

std::string Error::standardDescription(std::int32_t number)
{
    switch (number) {
    case err::Overflow:
        return "Overflow";
    case err::SubscriptOutOfRange:
        return "Subscript out of range";
    case err::DivisionByZero:
        return "Division by zero";
    case err::TypeMismatch:
        return "Type mismatch";
    case err::InvalidUseOfNull:
        return "Invalid use of Null";
    case err::InvalidPropertyValue:
        return "Invalid property value";
    case err::MethodNotSupported:
        return "Object doesn't support this property or method";
    case err::RemoteServerUnavailable:
        return "The remote server machine does not exist or is unavailable";
    case err::Failed:
        return "Generic failure";
    case err::NotFound:
        return "Not found";
    case err::InvalidClass:
        return "Invalid class";
    case err::InvalidQuery:
        return "Invalid query";
    case err::InvalidSyntax:
        return "Invalid syntax";
    case err::AccessDenied:
        return "Access is denied.";
    default:
        return "Application-defined or object-defined error";
    }
}

} // namespace quorvin::mgmt
