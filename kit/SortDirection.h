#pragma once
#include <QString>
#include <optional>

namespace quorvin {

// Which way a grid's sort runs.
enum class SortDirection { Ascending, Descending };

// The direction the form's SortOrder text names: "ASC" or "DEC", matched exactly; any other text sorts
// nothing.
inline std::optional<SortDirection> sortDirectionOf(const QString &sortOrder)
{
    if (sortOrder == QLatin1String("ASC"))
        return SortDirection::Ascending;
    if (sortOrder == QLatin1String("DEC"))
        return SortDirection::Descending;
    return std::nullopt;
}

} // namespace quorvin
