#include "pages/processes/ProcessTable.h"
#include "mgmt/Error.h"
#include "pages/processes/LastKeyOrder.h"
#include "pages/processes/ProcessSamples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

using namespace quorvin;

namespace {

mgmt::Instance process(const char *name, mgmt::Value id, double cpu, double stamp, double ws = 4096,
                       double pf = 1024, int threads = 1, int handles = 2)
{
    return mgmt::Instance({{"Name", name},
                           {"IDprocess", id},
                           {"WorkingSet", std::to_string(static_cast<long long>(ws))},
                           {"PageFileBytes", std::to_string(static_cast<long long>(pf))},
                           {"PercentProcessorTime", std::to_string(static_cast<long long>(cpu))},
                           {"Timestamp_Sys100NS", std::to_string(static_cast<long long>(stamp))},
                           {"ThreadCount", threads},
                           {"HandleCount", handles}});
}

QStringList names(const ProcessTable &table)
{
    QStringList out;
    for (const int row : table.order()) // in the sort's order
        out << table.rows()[static_cast<std::size_t>(row)].name;
    return out;
}

QStringList utilizations(const ProcessTable &table)
{
    QStringList out;
    for (const auto &row : table.rows())
        out << (row.utilization.isNumber() ? QString::number(row.utilization.numberValue())
                                           : QStringLiteral("-"));
    return out;
}

} // namespace

TEST(CellValue, ComparisonRules)
{
    const auto n = CellValue::number;
    const auto t = CellValue::text;
    const struct {
        CellValue a, b;
        int expected;
    } cases[] = {
        {n(2), n(10), -1},       {n(10), n(10), 0},         {t("B"), t("a"), -1},
        {t("a"), t("B"), 1},     {t("ab"), t("abc"), -1},   {n(99), t("1"), -1},
        {t("1"), n(99), 1},      {CellValue(), n(0), 0},    {CellValue(), n(-1), 1},
        {CellValue(), t(""), 0}, {CellValue(), t("a"), -1}, {CellValue(), CellValue(), 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(compare(c.a, c.b), c.expected);
}

// Plain ASCII names take a shorter road than the rest; both trim and upper-case alike.
TEST(ProcessTable, NamesAreTrimmedAndUpperCased)
{
    const struct {
        mgmt::Value name;
        const char *shown;
    } cases[] = {{"\t kworker/0:1 \n", "KWORKER/0:1"},
                 {" caf\u00e9\u00a0", "CAF\u00c9"},
                 {"", ""},
                 {"   ", ""},
                 {42.0, "42"},
                 {"Web Content", "WEB CONTENT"}};
    for (const auto &c : cases) {
        ProcessTable table;
        table.fill({mgmt::Instance({{"Name", c.name},
                                    {"IDprocess", 9},
                                    {"WorkingSet", 0},
                                    {"PageFileBytes", 0},
                                    {"PercentProcessorTime", 0},
                                    {"Timestamp_Sys100NS", 0},
                                    {"ThreadCount", 1},
                                    {"HandleCount", 0}})});
        EXPECT_EQ(names(table), QStringList{QString::fromUtf8(c.shown)});
    }
}

TEST(ProcessTable, FillsRowsAndTotalsAndSkipsNonNumericIds)
{
    ProcessTable table;
    table.fill({process(" idle ", 0, 0, 0, 0, 0, 2, 0),
                process("notepad", 1234, 0, 0, 2048 * 1024, 1024 * 1024, 3, 40),
                process("ghost", "n/a", 0, 0), process("ghost2", mgmt::Value(), 0, 0),
                process("_Total", 0, 0, 0, 2048 * 1024, 1024 * 1024, 5, 40)});
    EXPECT_EQ(names(table), (QStringList{"IDLE", "NOTEPAD", "_TOTAL"}));
    EXPECT_EQ(table.totals().processes, 2);
    EXPECT_EQ(table.totals().threads, 5);
    EXPECT_EQ(
        table.summary(QLocale(QLocale::English, QLocale::UnitedStates)),
        QStringLiteral("2 Processes   5 Threads   40 Handles\r\n2,048KB Working Set    1,024KB Page File"));

    ProcessTable bad;
    try {
        bad.fill({mgmt::Instance({{"Name", "x"}, {"IDprocess", 1}, {"WorkingSet", "lots"}})});
        ADD_FAILURE();
    } catch (const mgmt::Error &e) {
        EXPECT_EQ(e.number(), 13);
    }
}

TEST(ProcessTable, UtilizationFromTwoSamples)
{
    ProcessSamples samples;
    ProcessTable first;
    first.fill({process("a", 1, 1000, 100000), process("b", 2, 0, 100000), process("c", 3, 500, 100000)});
    first.computeUtilization(samples);
    EXPECT_EQ(utilizations(first), (QStringList{"-", "-", "-"}))
        << "a first sample has nothing to compare with";
    EXPECT_EQ(samples.ProcessSampleCount(), 3);

    ProcessTable second;
    second.fill({process("a", 1, 38456, 200000), process("b", 2, 0, 100000), process("new", 4, 10, 200000),
                 process("c2", 3, 0, 200000)});
    second.computeUtilization(samples);
    // 37.456 % of the interval; an unchanged timestamp; a new process; an ID taken over by another process
    // whose counters start lower, computed all the same.
    EXPECT_EQ(utilizations(second), (QStringList{"37.46", "0", "-", "-0.5"}));
    EXPECT_EQ(samples.ProcessSampleCount(), 4);
}

TEST(ProcessTable, TwoInstancesWithOneIdShareAnEntry)
{
    ProcessSamples samples;
    ProcessTable table;
    table.fill({process("a", 7, 100, 500), process("a#1", 7, 300, 500)});
    table.computeUtilization(samples);
    EXPECT_EQ(utilizations(table), (QStringList{"-", "0"}));
    EXPECT_EQ(samples.ProcessSampleCount(), 1);
}

TEST(ProcessTable, ExchangeSortKeepsEqualKeysAsTheRuleLeavesThem)
{
    ProcessTable table;
    table.fill({process("two-a", 1, 0, 0, 2048), process("one-a", 2, 0, 0, 1024),
                process("two-b", 3, 0, 0, 2048), process("one-b", 4, 0, 0, 1024)});
    table.sort(4, sortDirectionOf(QStringLiteral("ASC")));
    EXPECT_EQ(names(table), (QStringList{"ONE-A", "ONE-B", "TWO-B", "TWO-A"}));
    table.sort(4, sortDirectionOf(QStringLiteral("DEC")));
    EXPECT_EQ(names(table), (QStringList{"TWO-B", "TWO-A", "ONE-A", "ONE-B"}));
    table.sort(2, sortDirectionOf(QStringLiteral("asc")));
    EXPECT_EQ(names(table), (QStringList{"TWO-B", "TWO-A", "ONE-A", "ONE-B"})) << "only ASC and DEC sort";
    table.sort(1, sortDirectionOf(QStringLiteral("ASC")));
    EXPECT_EQ(names(table), (QStringList{"ONE-A", "ONE-B", "TWO-A", "TWO-B"}));
}

TEST(ProcessTable, SortsBytesNotTextAndEmptyUtilizationAsZero)
{
    ProcessSamples samples;
    ProcessTable before;
    before.fill({process("busy", 1, 0, 0), process("idle", 2, 0, 0)});
    before.computeUtilization(samples);
    ProcessTable table;
    table.fill({process("busy", 1, 50000, 100000, 9 * 1024), process("fresh", 9, 0, 100000, 10 * 1024),
                process("quiet", 2, 0, 100000, 100 * 1024)});
    table.computeUtilization(samples);
    table.sort(3, sortDirectionOf(QStringLiteral("DEC")));
    EXPECT_EQ(names(table), (QStringList{"BUSY", "FRESH", "QUIET"}));
    table.sort(4, sortDirectionOf(QStringLiteral("ASC")));
    EXPECT_EQ(names(table), (QStringList{"BUSY", "FRESH", "QUIET"})) << "9 KB < 10 KB < 100 KB as numbers";
}

// The last refresh's order is only where the sort starts: refreshes in which processes come, go, rename and
// tie must leave the rows exactly as a sort without it does.
TEST(ProcessTable, SortFromTheLastOrderEndsAsAFreshSort)
{
    std::mt19937 random(7);
    std::map<int, std::string> running;
    for (const int sortColumn : {1, 4}) {
        LastKeyOrder last;
        for (int refresh = 0; refresh < 60; ++refresh) {
            for (int change = 0; change < (refresh % 10 == 0 ? 40 : 3); ++change) {
                const int id = std::uniform_int_distribution<int>(1, 120)(random);
                if (running.count(id) != 0 && change % 3 == 0)
                    running.erase(id);
                else
                    running[id] = "p" + std::to_string(std::uniform_int_distribution<int>(0, 9)(random));
            }
            std::vector<mgmt::Instance> instances{process("Idle", 0, 0, 0)};
            for (const auto &[id, name] : running)
                instances.push_back(process(name.c_str(), id, 0, 0, 1024.0 * (id % 7)));
            instances.push_back(process("_Total", 0, 0, 0));
            for (const char *order : {"ASC", "DEC"}) {
                ProcessTable fresh, remembered;
                fresh.fill(instances);
                remembered.fill(instances);
                fresh.sort(sortColumn, sortDirectionOf(QString::fromLatin1(order)));
                remembered.sort(sortColumn, sortDirectionOf(QString::fromLatin1(order)), &last);
                ASSERT_EQ(names(remembered), names(fresh))
                    << "column " << sortColumn << " refresh " << refresh;
                std::vector<double> ids, freshIds;
                for (const int row : remembered.order())
                    ids.push_back(remembered.rows()[static_cast<std::size_t>(row)].id.numberValue());
                for (const int row : fresh.order())
                    freshIds.push_back(fresh.rows()[static_cast<std::size_t>(row)].id.numberValue());
                ASSERT_EQ(ids, freshIds) << "column " << sortColumn << " refresh " << refresh;
            }
        }
    }
}

// Samples kept in ID order must find every ID, however the IDs come: ascending, descending or shuffled, with
// repeats, as a remote computer or a recording may list them.
TEST(ProcessSamples, FindsTheLastSampleOfEveryIdInAnyOrder)
{
    std::mt19937 random(7);
    for (int order = 0; order < 3; ++order) {
        std::vector<double> ids;
        for (int i = 0; i < 500; ++i)
            ids.push_back(i % 170);
        if (order == 1)
            std::reverse(ids.begin(), ids.end());
        if (order == 2)
            std::shuffle(ids.begin(), ids.end(), random);
        ProcessSamples samples;
        std::map<double, double> expected;
        for (std::size_t k = 0; k < ids.size(); ++k) {
            const auto stamp = static_cast<double>(k);
            if (ProcessSamples::Sample *found = samples.find(ids[k])) {
                ASSERT_EQ(found->timestamp.number(), expected.at(ids[k])) << "order " << order << " at " << k;
                *found = {mgmt::Value(0.0), mgmt::Value(stamp)};
            } else {
                ASSERT_FALSE(expected.count(ids[k])) << "order " << order << " at " << k;
                samples.add(ids[k], {mgmt::Value(0.0), mgmt::Value(stamp)});
            }
            expected[ids[k]] = stamp;
        }
        EXPECT_EQ(samples.ProcessSampleCount(), 170);
    }
}
