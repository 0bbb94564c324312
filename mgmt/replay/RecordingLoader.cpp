#include "mgmt/Error.h"
#include "mgmt/FileDescriptor.h"
#include "mgmt/Names.h"
#include "mgmt/Query.h"
#include "mgmt/replay/Recording.h"

#include "mgmt/Convert.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <variant>

namespace quorvin::mgmt::replay {

namespace {

using Json = nlohmann::json;

// The recordings made here run to a few megabytes; anything far larger is not one.
constexpr std::size_t MaxRecordingBytes = 256 * 1024 * 1024;

class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

Error errorFrom(const Json &node, const std::string &where)
{
    const Json &e = node.at("error");
    if (!e.is_object() || !e.contains("number") || !e["number"].is_number_integer())
        throw FormatError(where + ": an error needs a whole \"number\"");
    std::string description;
    if (e.contains("description")) {
        if (!e["description"].is_string())
            throw FormatError(where + ": an error's \"description\" must be text");
        description = e["description"].get<std::string>();
    }
    const Json &number = e["number"];
    // Unsigned numbers beyond the signed range would wrap in a signed read.
    const bool fits = number.is_number_unsigned() ? number.get<std::uint64_t>() <= INT32_MAX
                                                  : number.get<std::int64_t>() >= INT32_MIN &&
                                                        number.get<std::int64_t>() <= INT32_MAX;
    if (!fits)
        throw FormatError(where + ": the error number " + number.dump() + " does not fit in 32 bits");
    return Error(static_cast<std::int32_t>(number.get<std::int64_t>()), description);
}

// Properties that name a process: a whole number from 0 to 4294967295, as a number or as decimal text, so
// that no later conversion of them can overflow.
bool isProcessIdProperty(std::string_view name)
{
    return equalsIgnoringCase(name, prop::IDprocess) || equalsIgnoringCase(name, prop::ProcessId) ||
           equalsIgnoringCase(name, prop::Handle);
}

void checkProcessId(const Value &value, const std::string &where)
{
    std::optional<double> id;
    if (value.isNumber())
        id = value.number();
    else if (value.isText())
        id = parseDecimal(value.text());
    else
        return; // null and booleans are refused where the value is used
    if (id && (*id < 0 || *id > 4294967295.0 || *id != std::floor(*id)))
        throw FormatError(where + ": " + plainDecimal(*id) + " is not a process ID");
}

bool isErrorNode(const Json &node)
{
    return node.is_object() && node.contains("error");
}

// Methods succeed and change nothing, unless the recording gives them an error.
class RecordedMethods final : public MethodInvoker {
public:
    explicit RecordedMethods(std::vector<std::pair<std::string, Error>> failures)
        : m_failures(std::move(failures))
    {
    }
    void invoke(const Instance &, std::string_view method) const override
    {
        for (const auto &[name, error] : m_failures)
            if (equalsIgnoringCase(name, method))
                throw error;
    }

private:
    std::vector<std::pair<std::string, Error>> m_failures;
};

Value valueFrom(const Json &node, const std::string &where)
{
    switch (node.type()) {
    case Json::value_t::null:
        return Value();
    case Json::value_t::boolean:
        return Value(node.get<bool>());
    case Json::value_t::string:
        return Value(node.get<std::string>());
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
    case Json::value_t::number_float:
        return Value(node.get<double>());
    default:
        throw FormatError(where + ": a property value must be text, a number, true, false or null");
    }
}

Instance instanceFrom(const Json &node, const std::string &where)
{
    if (!node.is_object())
        throw FormatError(where + ": an instance must be an object");
    std::vector<Property> properties;
    std::vector<std::pair<std::string, Error>> failures;
    for (const auto &[name, value] : node.items()) {
        if (name == "__methods") {
            if (!value.is_object())
                throw FormatError(where + ": \"__methods\" must be an object");
            for (const auto &[method, outcome] : value.items())
                if (isErrorNode(outcome))
                    failures.emplace_back(method, errorFrom(outcome, where + "." + method));
            continue;
        }
        Value property = valueFrom(value, where + "." + name);
        if (isProcessIdProperty(name))
            checkProcessId(property, where + "." + name);
        properties.push_back({name, std::move(property)});
    }
    return Instance(std::move(properties), std::make_shared<RecordedMethods>(std::move(failures)));
}

Answer answerFrom(const Json &node, const std::string &where)
{
    if (isErrorNode(node))
        return errorFrom(node, where);
    if (!node.is_array())
        throw FormatError(where + ": an answer must be a list of instances or an error");
    std::vector<Instance> instances;
    instances.reserve(node.size());
    for (std::size_t i = 0; i < node.size(); ++i)
        instances.push_back(instanceFrom(node[i], where + "[" + std::to_string(i) + "]"));
    return instances;
}

RecordedComputer computerFrom(const Json &node, const std::string &where)
{
    RecordedComputer computer;
    if (!node.is_object())
        throw FormatError(where + ": a computer must be an object");
    if (isErrorNode(node)) {
        computer.connectError = errorFrom(node, where);
        return computer;
    }
    for (const auto &[query, answers] : node.items()) {
        const std::string at = where + " \"" + query + "\"";
        if (!answers.is_array() || answers.empty())
            throw FormatError(at + ": a query needs a non-empty list of answers");
        QueryAnswers entry;
        for (std::size_t i = 0; i < answers.size(); ++i)
            entry.answers.push_back(answerFrom(answers[i], at + " answer " + std::to_string(i + 1)));
        computer.queries[normalisedQuery(query)] = std::move(entry);
    }
    return computer;
}

} // namespace

std::string recordingText(const std::filesystem::path &path)
{
    const auto refuse = [&](const std::string &why) {
        return Error(err::Failed, "The recorded data set " + path.string() + " cannot be used: " + why);
    };
    const std::string tooLarge =
        "it is larger than " + std::to_string(MaxRecordingBytes / (1024 * 1024)) + " MiB.";
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0)
        throw Error(err::Failed, "The recorded data set " + path.string() +
                                     " cannot be opened: " + std::strerror(errno) + ".");
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        throw refuse("it is not a regular file.");
    if (static_cast<std::uint64_t>(info.st_size) > MaxRecordingBytes)
        throw refuse(tooLarge);
    std::string text(static_cast<std::size_t>(info.st_size) + 1, '\0'); // one more: a file that grew shows it
    std::size_t used = 0;
    for (;;) {
        if (used == text.size()) {
            if (text.size() > MaxRecordingBytes)
                throw refuse(tooLarge);
            text.resize(text.size() + 65536);
        }
        const ssize_t got = ::read(file.get(), text.data() + used, text.size() - used);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw refuse(std::string(std::strerror(errno)) + ".");
        if (got == 0)
            break;
        used += static_cast<std::size_t>(got);
    }
    text.resize(used);
    return text;
}

std::string normalisedQuery(std::string_view text)
{
    std::string result;
    bool pendingBlank = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            pendingBlank = !result.empty();
            continue;
        }
        if (pendingBlank)
            result += ' ';
        pendingBlank = false;
        result += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return result;
}

std::shared_ptr<RecordedComputer> Recording::find(std::string_view name) const
{
    const auto it = computers.find(toLowerAscii(name));
    return it == computers.end() ? nullptr : it->second;
}

Recording loadRecording(std::string_view json)
{
    const auto fail = [](const std::string &why) {
        return Error(err::Failed, "The recorded data set cannot be used: " + why);
    };
    Json root;
    try {
        root = Json::parse(json);
    } catch (const Json::exception &e) { // a number too large for a double is out_of_range, not parse_error
        throw fail(std::string("it is not valid JSON (") + e.what() + ")");
    }
    try {
        if (!root.is_object() || root.value("format", std::string()) != "quorvin-recording")
            throw FormatError("it is not a \"quorvin-recording\"");
        if (!root.contains("version") || root["version"] != 1)
            throw FormatError("only version 1 is understood");
        Recording recording;
        if (root.contains("localComputer")) {
            if (!root["localComputer"].is_string())
                throw FormatError("\"localComputer\" must be text");
            recording.localComputer = root["localComputer"].get<std::string>();
        }
        if (!root.contains("computers") || !root["computers"].is_object())
            throw FormatError("it has no \"computers\" object");
        for (const auto &[name, node] : root["computers"].items())
            recording.computers[toLowerAscii(name)] =
                std::make_shared<RecordedComputer>(computerFrom(node, "computer \"" + name + "\""));
        return recording;
    } catch (const FormatError &e) {
        throw fail(e.what());
    } catch (const Json::exception &e) {
        throw fail(e.what());
    }
}

} // namespace quorvin::mgmt::replay
