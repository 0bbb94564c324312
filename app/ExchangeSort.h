#pragma once
#include <QString>
#include <utility>

namespace quorvin {

// The grids' sort: for every i, every later j is exchanged with i when it belongs before it, and the scan
// goes on against the new row i. Equal keys are never exchanged. "ASC" and "DEC" are matched exactly; any
// other order leaves the rows as they are.
template <typename Compare, typename Exchange>
void exchangeSort(int rows, const QString &order, Compare compareRows, Exchange exchangeRows)
{
    const bool ascending = order == QLatin1String("ASC");
    const bool descending = order == QLatin1String("DEC");
    if (!ascending && !descending)
        return;
    for (int i = 0; i < rows; ++i)
        for (int j = i + 1; j < rows; ++j) {
            const int c = compareRows(j, i);
            if ((ascending && c < 0) || (descending && c > 0))
                exchangeRows(i, j);
        }
}

} // namespace quorvin
