#pragma once
#include <QString>

namespace quorvin {

// A value of the process working table: empty, a number or a text, compared by the table's own rules.
class CellValue final {
public:
    CellValue() = default;
    static CellValue number(double n) { return CellValue(Kind::Number, n, {}); }
    static CellValue text(QString t) { return CellValue(Kind::Text, 0, std::move(t)); }

    bool isEmpty() const noexcept { return m_kind == Kind::Empty; }
    bool isNumber() const noexcept { return m_kind == Kind::Number; }
    bool isText() const noexcept { return m_kind == Kind::Text; }
    double numberValue() const noexcept { return m_number; }
    const QString &textValue() const noexcept { return m_text; }

    // Numbers numerically, texts by character code; a number is below any text; an empty value counts as 0
    // against a number and as "" against a text, and two empty values are equal.
    friend int compare(const CellValue &a, const CellValue &b) noexcept;

private:
    enum class Kind { Empty, Number, Text };
    CellValue(Kind kind, double n, QString t) : m_kind(kind), m_number(n), m_text(std::move(t)) {}

    Kind m_kind = Kind::Empty;
    double m_number = 0;
    QString m_text;
};

} // namespace quorvin
