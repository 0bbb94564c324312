// The grids' sort at scale: the plain exchange sort against the same order computed without comparing every
// pair.
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
    const QString order = QStringLiteral("ASC");
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
    const QString order = QStringLiteral("ASC");
    for (auto _ : state)
        benchmark::DoNotOptimize(exchangeSortOrder(ranks, order));
}

} // namespace

BENCHMARK(PlainExchangeSort)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(FastExchangeSort)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
