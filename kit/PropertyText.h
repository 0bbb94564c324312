#pragma once
#include "mgmt/Instance.h"

#include <QString>
#include <string_view>

namespace quorvin {

// A property's value as text; a null raises "Invalid use of Null", as the management data source has it.
QString propertyText(const mgmt::Instance &instance, std::string_view property);

// The same, with a null as empty text: for what a computer may simply not have (a service pack, an install
// date, a service's caption).
QString propertyTextOrEmpty(const mgmt::Instance &instance, std::string_view property);

} // namespace quorvin
