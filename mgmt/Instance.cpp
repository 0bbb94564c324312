#include "mgmt/Instance.h"
#include "mgmt/Error.h"

namespace quorvin::mgmt {

namespace {
char lowerAscii(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

std::string toLowerAscii(std::string_view s)
{
    std::string result(s);
    for (char &c : result)
        c = lowerAscii(c);
    return result;
}

Instance::Instance(std::vector<Property> properties, std::shared_ptr<const MethodInvoker> methods)
    : m_properties(std::move(properties)), m_methods(std::move(methods))
{
}

const Value *Instance::find(std::string_view name) const noexcept
{
    for (const Property &p : m_properties)
        if (equalsIgnoringCase(p.name, name))
            return &p.value;
    return nullptr;
}

const Value &Instance::get(std::string_view name) const
{
    if (const Value *v = find(name))
        return *v;
    throw Error(err::NotFound);
}

void Instance::set(std::string_view name, Value value)
{
    for (Property &p : m_properties)
        if (equalsIgnoringCase(p.name, name)) {
            p.value = std::move(value);
            return;
        }
    m_properties.push_back({std::string(name), std::move(value)});
}

void Instance::invoke(std::string_view method) const
{
    if (!m_methods)
        throw Error(err::MethodNotSupported);
    m_methods->invoke(*this, method);
}

} // namespace quorvin::mgmt
