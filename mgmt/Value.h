#pragma once
#include <string>
#include <utility>
#include <variant>

namespace quorvin::mgmt {

// A property value as the management data source delivers it: null, boolean, number or text.
class Value {
public:
    Value() = default;
    Value(bool b) : m_data(b) {}
    Value(double d) : m_data(d) {}
    Value(int i) : m_data(static_cast<double>(i)) {}
    Value(long long i) : m_data(static_cast<double>(i)) {}
    Value(std::string s) : m_data(std::move(s)) {}
    Value(const char *s) : m_data(std::string(s)) {}

    bool isNull() const noexcept { return std::holds_alternative<std::monostate>(m_data); }
    bool isBool() const noexcept { return std::holds_alternative<bool>(m_data); }
    bool isNumber() const noexcept { return std::holds_alternative<double>(m_data); }
    bool isText() const noexcept { return std::holds_alternative<std::string>(m_data); }

    bool boolean() const { return std::get<bool>(m_data); }
    double number() const { return std::get<double>(m_data); }
    const std::string &text() const { return std::get<std::string>(m_data); }

    friend bool operator==(const Value &, const Value &) = default;

private:
    std::variant<std::monostate, bool, double, std::string> m_data;
};

} // namespace quorvin::mgmt
