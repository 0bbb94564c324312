// What one refresh of the General and Processor pages costs the computer being watched.
#include "mgmt/local/LocalSource.h"

#include <benchmark/benchmark.h>

using namespace quorvin::mgmt;

static void ReadClass(benchmark::State &state, const char *className)
{
    LocalSource source;
    for (auto _ : state) {
        auto service = source.connect("winmgmts://");
        benchmark::DoNotOptimize(service->instancesOf(className));
    }
}
BENCHMARK_CAPTURE(ReadClass, ProcessorCounters, "Win32_PerfRawData_PerfOS_Processor");
BENCHMARK_CAPTURE(ReadClass, OperatingSystem, "win32_operatingsystem");
