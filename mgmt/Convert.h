#pragma once
#include "mgmt/Value.h"
#include <optional>
#include <string>
#include <string_view>

namespace quorvin::mgmt {

// The conversions that callers apply to property values, with the errors the scripting runtime raises.

// Null raises 94 "Invalid use of Null"; a boolean gives "True" or "False"; a number its plain decimal form.
std::string toText(const Value &value);

// Null raises 94; a text that is not a number raises 13 "Type mismatch"; True counts -1, as the runtime has
// it.
double toDouble(const Value &value);

// A decimal number in C notation with optional blanks around it, or nothing.
std::optional<double> parseDecimal(std::string_view text);

// The shortest decimal text that reads back as the same double ("12.5", "40", "-0.3").
std::string plainDecimal(double value);

} // namespace quorvin::mgmt
