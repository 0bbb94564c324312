#pragma once
#include <QLocale>
#include <QString>
#include <cstddef>
#include <limits>
#include <vector>

namespace quorvin {

// The texts last written into the grid's number cells, with the values they were made from: a row whose
// value did not change since the last refresh gets the same text without formatting it again. Formatting in
// the system's locale is most of what writing a large grid costs, and most values stay the same.
class ShownTexts final {
public:
    explicit ShownTexts(int columns) : m_columns(static_cast<std::size_t>(columns)) {}

    // Before a refresh's writing: forgets everything when the locale changed, and keeps room for rows.
    void prepare(std::size_t rows, const QLocale &locale);

    // The text of value for that row and column, made by format(value) only when it differs from last time.
    template <class Format> const QString &text(std::size_t row, int column, double value, Format &&format)
    {
        Slot &slot = at(row, column);
        if (slot.value != value) { // an empty slot's NaN equals nothing
            slot.text = format(value);
            slot.value = value;
        }
        return slot.text;
    }

    // Whether that row and column were last given the text of this very value.
    bool holds(std::size_t row, int column, double value) const { return at(row, column).value == value; }
    // Something other than a value's text went there.
    void forget(std::size_t row, int column) { at(row, column) = Slot(); }

private:
    struct Slot {
        double value = std::numeric_limits<double>::quiet_NaN();
        QString text;
    };

    Slot &at(std::size_t row, int column)
    {
        return m_slots[row * m_columns + static_cast<std::size_t>(column)];
    }
    const Slot &at(std::size_t row, int column) const
    {
        return m_slots[row * m_columns + static_cast<std::size_t>(column)];
    }

    std::size_t m_columns;
    std::vector<Slot> m_slots;
    QLocale m_locale;
};

} // namespace quorvin
