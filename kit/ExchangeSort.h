#pragma once
#include "kit/SortDirection.h"

#include <algorithm>
#include <numeric>
#include <utility>
#include <vector>

namespace quorvin {

// The grids' sort: for every i, every later j is exchanged with i when it belongs before it, and the scan
// goes on against the new row i. Equal keys are never exchanged.
template <typename Compare, typename Exchange>
void exchangeSort(int rows, SortDirection direction, Compare compareRows, Exchange exchangeRows)
{
    const bool ascending = direction == SortDirection::Ascending;
    const bool descending = !ascending;
    for (int i = 0; i < rows; ++i)
        for (int j = i + 1; j < rows; ++j) {
            const int c = compareRows(j, i);
            if ((ascending && c < 0) || (descending && c > 0))
                exchangeRows(i, j);
        }
}

// The indices of keys in the order of compareKeys (negative, 0 or positive), equal keys in index order, as a
// stable sort leaves them. guess, a likely order such as the last refresh's (indices out of range or repeated
// are passed over), makes it cheaper: a right guess costs one comparison a key, a guess with a few keys out
// of place a sort of those few; a poor one falls back to sorting everything.
template <typename Compare>
std::vector<int> orderOfKeys(int keys, Compare compareKeys, const std::vector<int> &guess = {})
{
    // One total order, so that every way of reaching it ends in the same place.
    const auto before = [&](int a, int b) {
        const int c = compareKeys(a, b);
        return c < 0 || (c == 0 && a < b);
    };
    const auto size = static_cast<std::size_t>(std::max(keys, 0));
    std::vector<bool> taken(size, false);
    std::vector<int> inOrder, aside;
    inOrder.reserve(size);
    for (const int key : guess) {
        if (key < 0 || key >= keys || taken[static_cast<std::size_t>(key)])
            continue;
        taken[static_cast<std::size_t>(key)] = true;
        if (inOrder.empty() || before(inOrder.back(), key)) {
            inOrder.push_back(key);
        } else if (inOrder.size() >= 2 && before(inOrder[inOrder.size() - 2], key)) {
            aside.push_back(inOrder.back()); // the last one taken was the one out of place
            inOrder.back() = key;
        } else {
            aside.push_back(key);
        }
    }
    for (int key = 0; key < keys; ++key)
        if (!taken[static_cast<std::size_t>(key)])
            aside.push_back(key);
    if (aside.size() > size / 8) {
        std::vector<int> all(size);
        std::iota(all.begin(), all.end(), 0);
        std::sort(all.begin(), all.end(), before);
        return all;
    }
    std::sort(aside.begin(), aside.end(), before);
    std::vector<int> merged(size);
    std::merge(inOrder.begin(), inOrder.end(), aside.begin(), aside.end(), merged.begin(), before);
    return merged;
}

// Whole-number ranks of keys that share their order (equal keys, equal ranks), so that the exchange sort,
// which compares every pair, compares numbers instead of texts. byKey: the keys in order (orderOfKeys).
template <typename Compare> std::vector<int> ranksInOrder(const std::vector<int> &byKey, Compare compareKeys)
{
    std::vector<int> ranks(byKey.size());
    int rank = 0;
    for (std::size_t k = 0; k < byKey.size(); ++k) {
        if (k > 0 && compareKeys(byKey[k - 1], byKey[k]) < 0)
            ++rank;
        ranks[static_cast<std::size_t>(byKey[k])] = rank;
    }
    return ranks;
}

template <typename Compare> std::vector<int> ranksOf(int keys, Compare compareKeys)
{
    return ranksInOrder(orderOfKeys(keys, compareKeys), compareKeys);
}

// The plain exchange sort over precomputed ranks; exchangeRows moves the caller's rows along. Quadratic: kept
// as the reference that exchangeSortOrder is held against.
template <typename Exchange>
void exchangeSortByRank(std::vector<int> ranks, SortDirection direction, Exchange exchangeRows)
{
    exchangeSort(
        static_cast<int>(ranks.size()), direction,
        [&](int j, int i) {
            const int a = ranks[static_cast<std::size_t>(j)], b = ranks[static_cast<std::size_t>(i)];
            return (a > b) - (a < b);
        },
        [&](int i, int j) {
            std::swap(ranks[static_cast<std::size_t>(i)], ranks[static_cast<std::size_t>(j)]);
            exchangeRows(i, j);
        });
}

// The rows in the order exchangeSortByRank leaves them, ties included, without comparing every pair: element
// k is the index of the row that ends at position k. Distinct ranks cost one ordinary sort; with equal ranks
// each group of equal ranks is placed from where smaller ranks stand, O(n log n) in all.
std::vector<int> exchangeSortOrder(const std::vector<int> &ranks, SortDirection direction);

// The rows at their places after a sort that took place k from place from[k]: element k of the result is
// the row places[from[k]].
inline std::vector<int> placesMoved(const std::vector<int> &places, const std::vector<int> &from)
{
    std::vector<int> moved(from.size());
    for (std::size_t k = 0; k < from.size(); ++k)
        moved[k] = places[static_cast<std::size_t>(from[k])];
    return moved;
}

} // namespace quorvin
