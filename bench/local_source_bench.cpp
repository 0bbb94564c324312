// What one refresh of the General and Processor pages costs the computer being watched.
#include "mgmt/linux/LocalSource.h"

#include <benchmark/benchmark.h>

using namespace quorvin::mgmt;

static void ProcessorCounters(benchmark::State &state)
{
    LocalSource source;
    for (auto _ : state) {
        auto service = source.connect("winmgmts://");
        benchmark::DoNotOptimize(service->instancesOf("Win32_PerfRawData_PerfOS_Processor"));
    }
}
BENCHMARK(ProcessorCounters);

static void OperatingSystem(benchmark::State &state)
{
    LocalSource source;
    for (auto _ : state) {
        auto service = source.connect("winmgmts://");
        benchmark::DoNotOptimize(service->instancesOf("win32_operatingsystem"));
    }
}
BENCHMARK(OperatingSystem);
