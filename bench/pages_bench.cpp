// What one refresh of the Process Details, Services and Network pages costs, grid and labels included.
#include "BenchWindow.h"
#include "mgmt/local/LocalSource.h"
#include "mgmt/replay/ReplaySource.h"

#include <QTimer>
#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

using namespace quorvin;
using Json = nlohmann::json;

namespace {

Json recordingOf(const std::string &key, const Json &answers)
{
    const Json total = {{"Name", "_Total"}, {"PercentProcessorTime", "1"}, {"Timestamp_Sys100NS", "1"}};
    Json computer = Json::object();
    computer["select * from win32_perfrawdata_perfos_processor"] = Json::array({Json::array({total})});
    computer[key] = answers;
    Json recording = {{"format", "quorvin-recording"}, {"version", 1}, {"localComputer", "bench"}};
    recording["computers"]["bench"] = computer;
    return recording;
}

// Two samples a second apart, so that every process gets its utilization computed.
Json processAnswers(int count)
{
    Json answers = Json::array();
    for (int sample = 0; sample < 2; ++sample) {
        Json list = Json::array({{{"Name", "Idle"},
                                  {"IDprocess", 0},
                                  {"WorkingSet", "0"},
                                  {"PageFileBytes", "0"},
                                  {"PercentProcessorTime", std::to_string(sample * 9'000'000)},
                                  {"Timestamp_Sys100NS", std::to_string(sample * 10'000'000)},
                                  {"ThreadCount", 8},
                                  {"HandleCount", 0}}});
        for (int i = 0; i < count; ++i)
            list.push_back(
                {{"Name", "proc" + std::to_string(i % 37) + (i >= 37 ? "#" + std::to_string(i / 37) : "")},
                 {"IDprocess", 1000 + i * 7},
                 {"WorkingSet", std::to_string(4096LL * (i * 13 % 5000 + 1))},
                 {"PageFileBytes", std::to_string(4096LL * (i * 7 % 3000))},
                 {"PercentProcessorTime", std::to_string(sample * (i % 11) * 10'000LL + i * 1000LL)},
                 {"Timestamp_Sys100NS", std::to_string(sample * 10'000'000)},
                 {"ThreadCount", 1 + i % 5},
                 {"HandleCount", 4 + i % 50}});
        list.push_back({{"Name", "_Total"},
                        {"IDprocess", 0},
                        {"WorkingSet", "0"},
                        {"PageFileBytes", "0"},
                        {"PercentProcessorTime", "0"},
                        {"Timestamp_Sys100NS", std::to_string(sample * 10'000'000)},
                        {"ThreadCount", 0},
                        {"HandleCount", 0}});
        answers.push_back(list);
    }
    return answers;
}

Json serviceAnswers(int count)
{
    Json list = Json::array();
    for (int i = 0; i < count; ++i)
        list.push_back({{"Caption", "Service number " + std::to_string((i * 7919) % count)},
                        {"Name", "svc" + std::to_string((i * 7919) % count) + ".service"},
                        {"StartMode", i % 3 ? "Auto" : "Manual"},
                        {"Started", i % 2 == 0}});
    return Json::array({list});
}

void RefreshProcesses(benchmark::State &state)
{
    const auto count = static_cast<int>(state.range(0));
    const Json recording =
        recordingOf("select * from win32_perfrawdata_perfproc_process", processAnswers(count));
    bench::BenchWindow window(mgmt::ReplaySource::fromJson(recording.dump()));
    window.open(3, QStringLiteral("bench"));
    for (auto _ : state)
        window.form().RefreshProcesses();
    state.SetLabel(std::to_string(count) + " processes");
}
BENCHMARK(RefreshProcesses)->Arg(300)->Arg(1000)->Arg(8000)->Unit(benchmark::kMillisecond);

void RefreshServices(benchmark::State &state)
{
    const auto count = static_cast<int>(state.range(0));
    bench::BenchWindow window(mgmt::ReplaySource::fromJson(
        recordingOf("select * from win32_service", serviceAnswers(count)).dump()));
    window.open(4, QStringLiteral("bench"));
    for (auto _ : state)
        window.form().RefreshServices();
    state.SetLabel(std::to_string(count) + " services");
}
BENCHMARK(RefreshServices)->Arg(150)->Arg(1000)->Unit(benchmark::kMillisecond);

void RefreshNetworkOfThisComputer(benchmark::State &state)
{
    bench::BenchWindow window(std::make_unique<mgmt::LocalSource>());
    window.open(5);
    for (auto _ : state)
        window.form().RefreshNetwork();
}
BENCHMARK(RefreshNetworkOfThisComputer)->Unit(benchmark::kMicrosecond);

void RefreshProcessesOfThisComputer(benchmark::State &state)
{
    bench::BenchWindow window(std::make_unique<mgmt::LocalSource>());
    window.open(3);
    for (auto _ : state)
        window.form().RefreshProcesses();
}
BENCHMARK(RefreshProcessesOfThisComputer)->Unit(benchmark::kMillisecond);

} // namespace
