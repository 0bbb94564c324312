#pragma once
#include "mgmt/Value.h"
#include <initializer_list>
#include <memory>
#include <optional>
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

// A property name to find in many instances: those that share one list of names, as a backend builds the
// instances of a class, are searched once for all of them. Not for use on several threads at once.
class PropertyKey final {
public:
    // The name outlives the key: one of the constants of mgmt/Names.h.
    explicit PropertyKey(std::string_view name) : m_name(name) {}
    std::string_view name() const noexcept { return m_name; }

private:
    friend class Instance;
    std::string_view m_name;
    // The list last searched, held so that no other list can take its address, and where the name was in it.
    mutable std::shared_ptr<const PropertyNames> m_names;
    mutable std::optional<std::size_t> m_index;
};

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
    const Value &get(const PropertyKey &key) const;
    const Value *find(const PropertyKey &key) const noexcept;
    void set(std::string_view name, Value value);

    // Runs a method with no arguments; a backend without it raises "Object doesn't support this property or
    // method".
    void invoke(std::string_view method) const;

    // A copy of the properties, in order.
    std::vector<Property> properties() const;

private:
    std::optional<std::size_t> indexOf(std::string_view name) const noexcept;

    std::shared_ptr<const PropertyNames> m_names;
    std::vector<Value> m_values;
    std::shared_ptr<const MethodInvoker> m_methods;
};

// A list of names for the instances of one class to share, from the constants of mgmt/Names.h.
std::shared_ptr<const PropertyNames> sharedNames(std::initializer_list<std::string_view> names);

bool equalsIgnoringCase(std::string_view a, std::string_view b) noexcept;
std::string toLowerAscii(std::string_view s);

} // namespace quorvin::mgmt
