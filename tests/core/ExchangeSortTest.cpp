#include "kit/ExchangeSort.h"

#include <gtest/gtest.h>

#include <random>

using namespace quorvin;

// The fast order, and the rows moved by it, must place equal keys exactly where the plain exchange sort
// leaves them, which differs from a stable sort's placement for most inputs with ties.
TEST(ExchangeSort, FastOrderMatchesThePlainSortTiesIncluded)
{
    std::mt19937 random(12);
    for (const char *order : {"ASC", "DEC", "asc", ""})
        for (int round = 0; round < 400; ++round) {
            const int rows = round % 61;
            std::uniform_int_distribution<int> rank(0, round % 5 == 0 ? rows : round % 4);
            std::vector<int> ranks(static_cast<std::size_t>(rows));
            for (int &r : ranks)
                r = rank(random);
            std::vector<int> expected(ranks.size());
            std::iota(expected.begin(), expected.end(), 0);
            exchangeSortByRank(ranks, QString::fromLatin1(order), [&](int i, int j) {
                std::swap(expected[static_cast<std::size_t>(i)], expected[static_cast<std::size_t>(j)]);
            });
            ASSERT_EQ(exchangeSortOrder(ranks, QString::fromLatin1(order)), expected)
                << order << " rows " << rows << " round " << round;
            std::vector<int> moved(ranks.size());
            std::iota(moved.begin(), moved.end(), 0);
            sortRowsByRank(moved, ranks, QString::fromLatin1(order));
            ASSERT_EQ(moved, expected) << "rows moved in place, " << order << " round " << round;
        }
}
