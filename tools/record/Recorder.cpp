#include "tools/record/Recorder.h"
#include "mgmt/Error.h"

#include <algorithm>
#include <cmath>

namespace quorvin::tools {

namespace {
// Whole numbers are written without a fraction, as the sources deliver counts.
nlohmann::json wholeOrFraction(double number)
{
    if (std::floor(number) == number && std::fabs(number) < 9.0e15)
        return static_cast<long long>(number);
    return number;
}
} // namespace

Recorder::Recorder(mgmt::Source &source, Options options) : m_source(source), m_options(std::move(options)) {}

nlohmann::json Recorder::toJson(const mgmt::Instance &instance)
{
    nlohmann::json object = nlohmann::json::object();
    for (const mgmt::Property &p : instance.properties()) {
        if (p.value.isNull())
            object[p.name] = nullptr;
        else if (p.value.isBool())
            object[p.name] = p.value.boolean();
        else if (p.value.isNumber())
            object[p.name] = wholeOrFraction(p.value.number());
        else
            object[p.name] = p.value.text();
    }
    return object;
}

nlohmann::json Recorder::record(const std::function<void(std::chrono::milliseconds)> &sleep)
{
    nlohmann::json queries = nlohmann::json::object();
    std::vector<std::string> classes = m_options.classes;
    for (int sample = 0; sample < m_options.samples; ++sample) {
        if (sample > 0)
            sleep(m_options.interval);
        auto service = m_source.connect(m_options.moniker);
        for (auto it = classes.begin(); it != classes.end();) {
            const std::string key = mgmt::toLowerAscii("select * from " + *it);
            try {
                nlohmann::json answer = nlohmann::json::array();
                for (const mgmt::Instance &instance : service->instancesOf(*it))
                    answer.push_back(toJson(instance));
                queries[key].push_back(std::move(answer));
                ++it;
            } catch (const mgmt::Error &e) {
                if (e.number() == mgmt::err::InvalidClass) {
                    m_skipped.push_back(*it);
                    it = classes.erase(it);
                    continue;
                }
                // A refusal is part of what the computer answers, and a replay shows it the same way.
                queries[key].push_back({{"error", {{"number", e.number()}, {"description", e.description()}}}});
                ++it;
            }
        }
    }
    return {{"format", "quorvin-recording"},
            {"version", 1},
            {"localComputer", m_options.recordedName},
            {"computers", {{m_options.recordedName, queries}}}};
}

} // namespace quorvin::tools
