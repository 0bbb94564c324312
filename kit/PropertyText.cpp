#include "kit/PropertyText.h"
#include "mgmt/Convert.h"

namespace quorvin {

QString propertyText(const mgmt::Instance &instance, std::string_view property)
{
    return QString::fromStdString(mgmt::toText(instance.get(property)));
}

QString propertyTextOrEmpty(const mgmt::Instance &instance, std::string_view property)
{
    const mgmt::Value &value = instance.get(property);
    return value.isNull() ? QString() : QString::fromStdString(mgmt::toText(value));
}

} // namespace quorvin
