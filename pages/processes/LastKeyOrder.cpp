#include "pages/processes/LastKeyOrder.h"

#include <algorithm>
#include <limits>

namespace quorvin {

std::vector<int> LastKeyOrder::guess(int column, const std::vector<double> &ids) const
{
    if (column != m_column || m_places.empty())
        return {};
    std::vector<int> byPlace(static_cast<std::size_t>(m_count), -1);
    // Rows come in ascending IDs, as they were remembered: each is mostly found just after the last one.
    std::size_t next = 0;
    for (std::size_t row = 0; row < ids.size(); ++row) {
        const double id = ids[row];
        if (next >= m_places.size() || m_places[next].id != id)
            next = static_cast<std::size_t>(
                std::lower_bound(m_places.begin(), m_places.end(), id,
                                 [](const Place &place, double wanted) { return place.id < wanted; }) -
                m_places.begin());
        if (next < m_places.size() && m_places[next].id == id) {
            int &slot = byPlace[static_cast<std::size_t>(m_places[next].place)];
            if (slot < 0)
                slot = static_cast<int>(row);
            ++next;
        }
    }
    byPlace.erase(std::remove(byPlace.begin(), byPlace.end(), -1), byPlace.end());
    return byPlace;
}

void LastKeyOrder::remember(int column, const std::vector<double> &ids, const std::vector<int> &byKey)
{
    m_column = column;
    m_count = static_cast<int>(byKey.size());
    std::vector<int> placeOf(ids.size(), -1);
    for (std::size_t k = 0; k < byKey.size(); ++k)
        placeOf[static_cast<std::size_t>(byKey[k])] = static_cast<int>(k);
    // Only rows in ascending IDs are kept, so that they can be searched: the totals at the end are not.
    m_places.clear();
    double last = -std::numeric_limits<double>::infinity();
    for (std::size_t row = 0; row < ids.size(); ++row)
        if (ids[row] > last && placeOf[row] >= 0) {
            m_places.push_back({ids[row], placeOf[row]});
            last = ids[row];
        }
}

} // namespace quorvin
