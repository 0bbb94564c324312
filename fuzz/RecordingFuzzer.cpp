// A recording: loaded, then every computer it names connected and every query it holds asked twice (the
// answers come in turn), with each instance's properties read and its recorded methods called.

#include "FuzzInput.h"
#include "mgmt/replay/ReplaySource.h"

#include <nlohmann/json.hpp>

using namespace quorvin::mgmt;
using quorvin::fuzz::rejectedOrParsed;

namespace {

void askEverything(ReplaySource &source, const std::string &computer, const nlohmann::json &queries)
{
    const auto service = source.connect("winmgmts://" + computer);
    if (!queries.is_object())
        return;
    for (int round = 0; round < 2; ++round)
        for (const auto &item : queries.items())
            rejectedOrParsed([&] {
                for (const Instance &instance : service->execQuery(item.key()))
                    for (const Property &property : instance.properties()) {
                        instance.get(property.name);
                        rejectedOrParsed([&] { instance.invoke(property.name); });
                    }
            });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text = quorvin::fuzz::textOf(data, size);
    rejectedOrParsed([&] {
        const auto source = ReplaySource::fromJson(text, "alpha");
        const auto json = nlohmann::json::parse(text, nullptr, false);
        if (!json.is_object() || !json.contains("computers") || !json["computers"].is_object())
            return;
        for (const auto &item : json["computers"].items())
            rejectedOrParsed([&] { askEverything(*source, item.key(), item.value()); });
    });
    return 0;
}
