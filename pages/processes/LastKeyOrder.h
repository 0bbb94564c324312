#pragma once
#include <vector>

namespace quorvin {

// The order of keys the last sort of the process table found, by process ID. Processes keep their names, and
// most keep their values, from one refresh to the next: the next sort starts from that order.
class LastKeyOrder final {
public:
    // ids: the process IDs of the rows, in row order. The rows' indices in the order remembered for the
    // column, as far as their IDs were there; empty for another column.
    std::vector<int> guess(int column, const std::vector<double> &ids) const;
    // byKey: the rows' indices in the order of their keys.
    void remember(int column, const std::vector<double> &ids, const std::vector<int> &byKey);

private:
    struct Place {
        double id;
        int place; // in the order of keys
    };

    int m_column = 0;
    std::vector<Place> m_places; // by ascending ID
    int m_count = 0;             // rows remembered
};

} // namespace quorvin
