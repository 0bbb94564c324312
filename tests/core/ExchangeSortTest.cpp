#include "kit/ExchangeSort.h"

#include <gtest/gtest.h>

#include <random>

using namespace quorvin;

// The fast order, and the rows moved by it, must place equal keys exactly where the plain exchange sort
// leaves them, which differs from a stable sort's placement for most inputs with ties.
TEST(ExchangeSort, FastOrderMatchesThePlainSortTiesIncluded)
{
    std::mt19937 random(12);
    for (const SortDirection order : {SortDirection::Ascending, SortDirection::Descending})
        for (int round = 0; round < 400; ++round) {
            const int rows = round % 61;
            std::uniform_int_distribution<int> rank(0, round % 5 == 0 ? rows : round % 4);
            std::vector<int> ranks(static_cast<std::size_t>(rows));
            for (int &r : ranks)
                r = rank(random);
            if (round % 7 == 3) { // distinct ranks, as names give
                std::iota(ranks.begin(), ranks.end(), 0);
                std::shuffle(ranks.begin(), ranks.end(), random);
            }
            std::vector<int> expected(ranks.size());
            std::iota(expected.begin(), expected.end(), 0);
            exchangeSortByRank(ranks, order, [&](int i, int j) {
                std::swap(expected[static_cast<std::size_t>(i)], expected[static_cast<std::size_t>(j)]);
            });
            ASSERT_EQ(exchangeSortOrder(ranks, order), expected)
                << static_cast<int>(order) << " rows " << rows << " round " << round;
        }
}

// The form's SortOrder names the direction exactly: any other text sorts nothing.
TEST(ExchangeSort, OnlyAscAndDecNameADirection)
{
    EXPECT_EQ(sortDirectionOf(QStringLiteral("ASC")), SortDirection::Ascending);
    EXPECT_EQ(sortDirectionOf(QStringLiteral("DEC")), SortDirection::Descending);
    for (const char *other : {"asc", "", "DESC"})
        EXPECT_EQ(sortDirectionOf(QString::fromLatin1(other)), std::nullopt) << other;
}

// Whatever it starts from, the order of keys is a stable sort's: a right guess, one with keys moved, one
// with keys missing, repeated or out of range, and none.
TEST(ExchangeSort, OrderOfKeysFromAnyGuessIsTheStableSort)
{
    std::mt19937 random(5);
    for (int round = 0; round < 600; ++round) {
        const int count = round % 90;
        std::vector<int> keys(static_cast<std::size_t>(count));
        for (int &key : keys)
            key = std::uniform_int_distribution<int>(0, round % 3 == 0 ? 1000 : 4)(random);
        const auto compareKeys = [&](int a, int b) {
            const int x = keys[static_cast<std::size_t>(a)], y = keys[static_cast<std::size_t>(b)];
            return (x > y) - (x < y);
        };
        std::vector<int> expected(keys.size());
        std::iota(expected.begin(), expected.end(), 0);
        std::stable_sort(expected.begin(), expected.end(),
                         [&](int a, int b) { return compareKeys(a, b) < 0; });

        std::vector<int> guess = expected;
        const int moves = round % 4 == 0 ? 0 : std::uniform_int_distribution<int>(1, 1 + count / 4)(random);
        for (int move = 0; move < moves && count > 1; ++move) {
            const auto at = [&] { return std::uniform_int_distribution<int>(0, count - 1)(random); };
            switch (round % 5) {
            case 0:
                std::swap(guess[static_cast<std::size_t>(at())], guess[static_cast<std::size_t>(at())]);
                break;
            case 1:
                guess.erase(guess.begin() + at() % static_cast<int>(guess.size()));
                break;
            case 2:
                guess.push_back(at() % 3 == 0 ? count + 5
                                              : guess[static_cast<std::size_t>(at()) % guess.size()]);
                break;
            default: {
                const int a = at(), b = at();
                std::rotate(guess.begin() + std::min(a, b), guess.begin() + std::max(a, b), guess.end());
                break;
            }
            }
        }
        if (round % 11 == 0)
            guess.clear();
        ASSERT_EQ(orderOfKeys(count, compareKeys, guess), expected) << "round " << round;
    }
}
