#include "SampleText.h"

#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

namespace quorvin::test {

using namespace mgmt::pcp;

namespace {

Atom atomOf(const std::string &type, const std::string &text)
{
    if (type == "u")
        return static_cast<std::uint64_t>(std::stoull(text));
    if (type == "i")
        return static_cast<std::int64_t>(std::stoll(text));
    if (type == "d")
        return std::stod(text);
    if (type == "s")
        return text;
    throw std::runtime_error("no such type: " + type);
}

std::string rest(std::istringstream &line)
{
    std::string text;
    std::getline(line >> std::ws, text);
    return text;
}

} // namespace

Sample readSample(std::string_view text)
{
    Sample sample;
    std::optional<std::string> current; // the metric whose values follow
    std::istringstream lines{std::string(text)};
    std::string lineText;
    for (int number = 1; std::getline(lines, lineText); ++number) {
        std::istringstream line(lineText);
        std::string first;
        if (!(line >> first) || first.starts_with('#'))
            continue;
        try {
            if (first == "source" || first == "archive") {
                sample.archive = first == "archive";
                sample.source = rest(line);
            } else if (first == "time") {
                const double seconds = std::stod(rest(line));
                sample.timestampMicros = static_cast<std::int64_t>(seconds * 1e6 + 0.5);
            } else if (first == "metric") {
                std::string name;
                line >> name;
                sample.metrics[name].gap = Gap::None;
                current = name;
            } else if (first == "gap") {
                std::string name, kind;
                line >> name >> kind;
                MetricValues &values = sample.metrics[name];
                values.gap = kind == "unknown"   ? Gap::Unknown
                             : kind == "refused" ? Gap::Refused
                                                 : Gap::Failed;
                values.why = rest(line);
                current.reset();
            } else if (current) {
                InstanceValue value;
                std::string name, type;
                line >> name >> type;
                value.instance = first == "-" ? SingleValue : std::stoi(first);
                value.name = name == "-" ? std::string() : name;
                value.value = atomOf(type, rest(line));
                sample.metrics[*current].values.push_back(std::move(value));
            } else {
                throw std::runtime_error("a value outside a metric");
            }
        } catch (const std::exception &error) {
            throw std::runtime_error("line " + std::to_string(number) + ": " + error.what());
        }
    }
    return sample;
}

Sample loadSample(const std::string &path)
{
    std::ifstream file(path);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    std::stringstream text;
    text << file.rdbuf();
    return readSample(text.str());
}

} // namespace quorvin::test
