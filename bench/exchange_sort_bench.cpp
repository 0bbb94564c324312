// The grids' sort at scale: the plain exchange sort against the same order computed without comparing every
// pair, and the order of a column of names found afresh against the same found from the last refresh's.
#include "kit/ExchangeSort.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace quorvin;

namespace {

// Ranks as a Processes column gives them: many rows share a value (an eighth as many values as rows).
std::vector<int> ranksWithTies(int rows)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> rank(0, std::max(0, rows / 8 - 1));
    std::vector<int> ranks(static_cast<std::size_t>(rows));
    for (int &r : ranks)
        r = rank(random);
    return ranks;
}

void PlainExchangeSort(benchmark::State &state)
{
    const auto ranks = ranksWithTies(static_cast<int>(state.range(0)));
    const SortDirection order = SortDirection::Ascending;
    for (auto _ : state) {
        std::vector<int> rows(ranks.size());
        std::iota(rows.begin(), rows.end(), 0);
        exchangeSortByRank(ranks, order, [&](int i, int j) {
            std::swap(rows[static_cast<std::size_t>(i)], rows[static_cast<std::size_t>(j)]);
        });
        benchmark::DoNotOptimize(rows.data());
    }
}

void FastExchangeSort(benchmark::State &state)
{
    const auto ranks = ranksWithTies(static_cast<int>(state.range(0)));
    const SortDirection order = SortDirection::Ascending;
    for (auto _ : state)
        benchmark::DoNotOptimize(exchangeSortOrder(ranks, order));
}

// Names as the Process Details page shows them: many processes of one program, told apart by a number.
std::vector<QString> processNames(int rows)
{
    std::mt19937 random(3);
    std::uniform_int_distribution<int> program(0, 40);
    std::vector<QString> names;
    for (int row = 0; row < rows; ++row)
        names.push_back(QStringLiteral("PROGRAM-%1#%2").arg(program(random)).arg(row));
    return names;
}

// state.range(1): how many names changed since the last order (0: none, -1: no last order).
void OrderOfNames(benchmark::State &state)
{
    auto names = processNames(static_cast<int>(state.range(0)));
    const auto compareNames = [&](int a, int b) {
        const int c =
            QString::compare(names[static_cast<std::size_t>(a)], names[static_cast<std::size_t>(b)]);
        return (c > 0) - (c < 0);
    };
    std::vector<int> last;
    if (state.range(1) >= 0)
        last = orderOfKeys(static_cast<int>(names.size()), compareNames);
    for (std::int64_t changed = 0; changed < state.range(1); ++changed)
        names[static_cast<std::size_t>(changed * 97) % names.size()] =
            QStringLiteral("RENAMED%1").arg(changed);
    for (auto _ : state)
        benchmark::DoNotOptimize(orderOfKeys(static_cast<int>(names.size()), compareNames, last));
}

} // namespace

BENCHMARK(OrderOfNames)
    ->Args({8000, -1})
    ->Args({8000, 0})
    ->Args({8000, 20})
    ->ArgNames({"rows", "changed"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(PlainExchangeSort)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(FastExchangeSort)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
