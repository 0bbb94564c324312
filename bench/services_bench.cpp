// What one refresh of the Services page costs: a connection to the service manager and the list of services.
#include "PrivateBus.h"

#include "mgmt/local/LocalSource.h"

#include <benchmark/benchmark.h>

#include <string>

using namespace quorvin::mgmt;

namespace {

// 150 services as a server might have: most loaded with a unit file, some only installed, some without a
// file.
std::string units(int count)
{
    static const char *const fileStates[] = {"enabled", "disabled", "static", "masked", "indirect"};
    std::string json = "[";
    for (int i = 0; i < count; ++i) {
        json += i ? "," : "";
        json += R"({"id": "unit-)" + std::to_string(i) + R"(.service", "description": "Service number )" +
                std::to_string(i) + '"';
        if (i % 10 != 9)
            json += std::string(R"(, "file": ")") + fileStates[i % 5] + '"';
        if (i % 7 == 6)
            json += R"(, "loaded": false)";
        if (i % 2)
            json += R"(, "active": "active")";
        json += "}";
    }
    return json + "]";
}

} // namespace

static void ServiceQuery(benchmark::State &state)
{
    if (const std::string missing = linux_::test::PrivateBus::missingTools(); !missing.empty()) {
        state.SkipWithError(("no private bus on this machine: " + missing).c_str());
        return;
    }
    const linux_::test::PrivateBus bus(units(static_cast<int>(state.range(0))));
    LocalSource source;
    for (auto _ : state) {
        auto service = source.connect("winmgmts://");
        benchmark::DoNotOptimize(service->execQuery("select * from Win32_Service"));
    }
}
BENCHMARK(ServiceQuery)->Arg(150)->Unit(benchmark::kMillisecond);
