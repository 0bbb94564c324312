#pragma once
#include "mgmt/Value.h"
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvin::mgmt {

class Instance;

// Carries out the methods of the instances that one backend delivers.
class MethodInvoker {
public:
    virtual ~MethodInvoker() = default;
    virtual void invoke(const Instance &instance, std::string_view method) const = 0;
};

struct Property {
    Property() = default;
    // From the constants of mgmt/Names.h as well as from text.
    Property(std::string_view propertyName, Value propertyValue)
        : name(propertyName), value(std::move(propertyValue))
    {
    }

    std::string name;
    Value value;
};

// The names of an instance's properties, in order; the instances a backend builds alike share one list.
using PropertyNames = std::vector<std::string>;

// One object of a management class: named properties, and methods carried out by its backend.
class Instance {
public:
    Instance() = default;
    explicit Instance(std::vector<Property> properties, std::shared_ptr<const MethodInvoker> methods = {});
    // One value for each name, in the same order; a list of another length is a fault of the caller.
    Instance(std::shared_ptr<const PropertyNames> names, std::vector<Value> values,
             std::shared_ptr<const MethodInvoker> methods = {});

    // Names are matched without regard to case; a missing property raises "Not found".
    const Value &get(std::string_view name) const;
    const Value *find(std::string_view name) const noexcept;
    void set(std::string_view name, Value value);

    // Runs a method with no arguments; a backend without it raises "Object doesn't support this property or
    // method".
    void invoke(std::string_view method) const;

    // A copy of the properties, in order.
    std::vector<Property> properties() const;

private:
    std::shared_ptr<const PropertyNames> m_names;
    std::vector<Value> m_values;
    std::shared_ptr<const MethodInvoker> m_methods;
};

// A list of names for the instances of one class to share, from the constants of mgmt/Names.h.
std::shared_ptr<const PropertyNames> sharedNames(std::initializer_list<std::string_view> names);

bool equalsIgnoringCase(std::string_view a, std::string_view b) noexcept;
std::string toLowerAscii(std::string_view s);

} // namespace quorvin::mgmt
