#include "mgmt/Instance.h"
#include "mgmt/Error.h"

#include <stdexcept>

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

std::shared_ptr<const PropertyNames> sharedNames(std::initializer_list<std::string_view> names)
{
    return std::make_shared<const PropertyNames>(names.begin(), names.end());
}

Instance::Instance(std::vector<Property> properties, std::shared_ptr<const MethodInvoker> methods)
    : m_methods(std::move(methods))
{
    auto names = std::make_shared<PropertyNames>();
    names->reserve(properties.size());
    m_values.reserve(properties.size());
    for (Property &p : properties) {
        names->push_back(std::move(p.name));
        m_values.push_back(std::move(p.value));
    }
    m_names = std::move(names);
}

Instance::Instance(std::shared_ptr<const PropertyNames> names, std::vector<Value> values,
                   std::shared_ptr<const MethodInvoker> methods)
    : m_names(std::move(names)), m_values(std::move(values)), m_methods(std::move(methods))
{
    if (!m_names || m_names->size() != m_values.size())
        throw std::logic_error("an instance needs one value for each property name");
}

std::optional<std::size_t> Instance::indexOf(std::string_view name) const noexcept
{
    if (m_names)
        for (std::size_t i = 0; i < m_values.size(); ++i)
            if (equalsIgnoringCase((*m_names)[i], name))
                return i;
    return std::nullopt;
}

const Value *Instance::find(std::string_view name) const noexcept
{
    const std::optional<std::size_t> index = indexOf(name);
    return index ? &m_values[*index] : nullptr;
}

const Value &Instance::get(std::string_view name) const
{
    if (const Value *v = find(name))
        return *v;
    throw Error(err::NotFound);
}

const Value *Instance::find(const PropertyKey &key) const noexcept
{
    if (key.m_names != m_names || !m_names) {
        key.m_names = m_names;
        key.m_index = indexOf(key.m_name);
    }
    return key.m_index ? &m_values[*key.m_index] : nullptr;
}

const Value &Instance::get(const PropertyKey &key) const
{
    if (const Value *v = find(key))
        return *v;
    throw Error(err::NotFound);
}

void Instance::set(std::string_view name, Value value)
{
    if (const std::optional<std::size_t> index = indexOf(name)) {
        m_values[*index] = std::move(value);
        return;
    }
    // The names may be shared with other instances: this one gets a list of its own.
    auto names = m_names ? std::make_shared<PropertyNames>(*m_names) : std::make_shared<PropertyNames>();
    names->emplace_back(name);
    m_names = std::move(names);
    m_values.push_back(std::move(value));
}

std::vector<Property> Instance::properties() const
{
    std::vector<Property> properties;
    properties.reserve(m_values.size());
    for (std::size_t i = 0; i < m_values.size(); ++i)
        properties.emplace_back((*m_names)[i], m_values[i]);
    return properties;
}

void Instance::invoke(std::string_view method) const
{
    if (!m_methods)
        throw Error(err::MethodNotSupported);
    m_methods->invoke(*this, method);
}

} // namespace quorvin::mgmt
