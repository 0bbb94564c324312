#include "kit/ExchangeSort.h"

namespace quorvin {

namespace {

// Counts over 0..size-1: how many marked below a value, and the k-th position still unmarked.
class CountTree final {
public:
    explicit CountTree(std::size_t size) : m_counts(size + 1, 0) {}

    void add(std::size_t position, int delta)
    {
        for (std::size_t i = position + 1; i < m_counts.size(); i += i & (~i + 1))
            m_counts[i] += delta;
    }

    int countBelow(std::size_t position) const
    {
        int count = 0;
        for (std::size_t i = position; i > 0; i -= i & (~i + 1))
            count += m_counts[i];
        return count;
    }

    // The position where the running count first exceeds k (every position starting with a count of one).
    std::size_t kth(int k) const
    {
        std::size_t position = 0, step = 1;
        while (step * 2 < m_counts.size())
            step *= 2;
        for (; step > 0; step /= 2)
            if (position + step < m_counts.size() && m_counts[position + step] <= k) {
                position += step;
                k -= m_counts[position];
            }
        return position;
    }

private:
    std::vector<int> m_counts;
};

// The final order of one group of equal keys. Only passes that place a smaller key move a member of the
// group: when the group's first member comes before every smaller key, it jumps to the first smaller key's
// slot, past the members in between. Seen as a queue of the members ahead of every remaining smaller key,
// each such pass turns the queue by one (when it is not empty) and then lets in the members up to the next
// smaller key. smallerBefore[j] is how many smaller keys stand before member j; passes is how many smaller
// keys there are.
std::vector<int> groupOrder(const std::vector<int> &members, const std::vector<int> &smallerBefore,
                            int passes)
{
    const std::size_t size = members.size();
    // The queue is kept as a line that only grows, with the queue's front at index head: a member joins at
    // the end of the queue, which is index head of the line.
    std::vector<int> joinedAt(size);
    std::size_t length = 0, head = 0;
    int pass = 0;
    for (std::size_t j = 0; j < size; ++j) {
        if (length > 0)
            head = (head + static_cast<std::size_t>(smallerBefore[j] - pass)) % length;
        pass = smallerBefore[j];
        joinedAt[j] = static_cast<int>(head);
        ++length;
        head = (head + 1) % length;
    }
    if (length > 0)
        head = (head + static_cast<std::size_t>(passes - pass)) % length;

    // Where each member ends in the line: the last to join keeps its index, each earlier one takes its index
    // among the places the later ones left free.
    std::vector<int> line(size);
    CountTree free(size);
    for (std::size_t i = 0; i < size; ++i)
        free.add(i, 1);
    for (std::size_t j = size; j-- > 0;) {
        const std::size_t place = free.kth(joinedAt[j]);
        line[place] = members[j];
        free.add(place, -1);
    }
    std::rotate(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(head), line.end());
    return line;
}

} // namespace

std::vector<int> exchangeSortOrder(const std::vector<int> &ranks, SortDirection direction)
{
    const bool descending = direction == SortDirection::Descending;
    std::vector<int> rows(ranks.size());
    std::iota(rows.begin(), rows.end(), 0);

    // Distinct ranks 0..n-1, as a column of names gives: each row's rank is its place.
    std::vector<int> placed(ranks.size(), -1);
    bool distinct = true;
    for (std::size_t row = 0; row < ranks.size() && distinct; ++row) {
        const auto rank = static_cast<std::size_t>(ranks[row]);
        distinct = ranks[row] >= 0 && rank < ranks.size();
        if (distinct) {
            int &slot = placed[descending ? ranks.size() - 1 - rank : rank];
            distinct = slot < 0;
            slot = static_cast<int>(row);
        }
    }
    if (distinct)
        return placed;

    // A descending pass exchanges strictly larger ranks: ~rank turns them into strictly smaller keys.
    std::vector<int> keys(ranks);
    if (descending)
        for (int &key : keys)
            key = ~key;
    const auto key = [&](int row) { return keys[static_cast<std::size_t>(row)]; };

    // Every key ends in sorted place; only the order within a group of equal keys needs working out.
    std::vector<int> sorted(rows);
    std::stable_sort(sorted.begin(), sorted.end(), [&](int a, int b) { return key(a) < key(b); });
    if (std::adjacent_find(sorted.begin(), sorted.end(), [&](int a, int b) { return key(a) == key(b); }) ==
        sorted.end())
        return sorted;

    // Dense ranks, then how many strictly smaller keys stand before each row.
    std::vector<std::size_t> dense(ranks.size());
    std::size_t groups = 0;
    for (std::size_t k = 0; k < sorted.size(); ++k) {
        if (k > 0 && key(sorted[k - 1]) < key(sorted[k]))
            ++groups;
        dense[static_cast<std::size_t>(sorted[k])] = groups;
    }
    std::vector<int> smallerBefore(ranks.size());
    CountTree seen(groups + 1);
    for (std::size_t row = 0; row < ranks.size(); ++row) {
        smallerBefore[row] = seen.countBelow(dense[row]);
        seen.add(dense[row], 1);
    }

    std::vector<int> result;
    result.reserve(ranks.size());
    std::vector<int> members, before;
    for (std::size_t start = 0; start < sorted.size();) {
        std::size_t end = start;
        members.clear();
        before.clear();
        for (; end < sorted.size() && key(sorted[end]) == key(sorted[start]); ++end) {
            members.push_back(sorted[end]);
            before.push_back(smallerBefore[static_cast<std::size_t>(sorted[end])]);
        }
        const auto group = groupOrder(members, before, static_cast<int>(start));
        result.insert(result.end(), group.begin(), group.end());
        start = end;
    }
    return result;
}

} // namespace quorvin
