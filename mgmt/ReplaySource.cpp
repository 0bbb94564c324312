#include "mgmt/ReplaySource.h"
#include "mgmt/Error.h"
#include "mgmt/Moniker.h"
#include "mgmt/Query.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <variant>

namespace quorvin::mgmt {

namespace {

using Json = nlohmann::json;

// The answer list of one query: a list of instances, or an error that the query raises.
using Answer = std::variant<std::vector<Instance>, Error>;

struct QueryAnswers {
    std::vector<Answer> answers;
    std::size_t timesRun = 0;
};

struct Computer {
    std::optional<Error> connectError;
    std::map<std::string, QueryAnswers> queries; // by normalised query text
};

class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Lower case, blanks folded, so that spellings of one query find one key.
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
    const auto number = e["number"].get<long long>();
    if (number < INT32_MIN || number > INT32_MAX)
        throw FormatError(where + ": an error number must fit in 32 bits");
    return Error(static_cast<std::int32_t>(number), description);
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
        properties.push_back({name, valueFrom(value, where + "." + name)});
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

Computer computerFrom(const Json &node, const std::string &where)
{
    Computer computer;
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

struct ReplaySource::Recording {
    std::string localComputer;
    std::map<std::string, std::shared_ptr<Computer>> computers; // by lower-cased name

    std::shared_ptr<Computer> find(std::string_view name) const
    {
        const auto it = computers.find(toLowerAscii(name));
        return it == computers.end() ? nullptr : it->second;
    }
};

namespace {

class ReplayService final : public Service {
public:
    explicit ReplayService(std::shared_ptr<Computer> computer) : m_computer(std::move(computer)) {}

    std::vector<Instance> instancesOf(std::string_view className) override
    {
        return execQuery(classQuery(className));
    }

    std::vector<Instance> execQuery(std::string_view wql) override
    {
        if (const auto direct = m_computer->queries.find(normalisedQuery(wql));
            direct != m_computer->queries.end())
            return next(direct->second);
        const Query query = parseQuery(wql);
        const auto whole = m_computer->queries.find(normalisedQuery(classQuery(query.className)));
        if (whole == m_computer->queries.end())
            throw Error(err::InvalidClass);
        return answerOf(query, next(whole->second));
    }

private:
    static std::vector<Instance> next(QueryAnswers &entry)
    {
        const std::size_t index = std::min(entry.timesRun, entry.answers.size() - 1);
        ++entry.timesRun;
        const Answer &answer = entry.answers[index];
        if (const Error *error = std::get_if<Error>(&answer))
            throw *error;
        return std::get<std::vector<Instance>>(answer);
    }

    std::shared_ptr<Computer> m_computer;
};

} // namespace

ReplaySource::ReplaySource(std::shared_ptr<Recording> recording, std::string localHostName)
    : m_recording(std::move(recording)), m_localHostName(std::move(localHostName))
{
}

ReplaySource::~ReplaySource() = default;

std::unique_ptr<ReplaySource> ReplaySource::fromJson(std::string_view json, std::string localHostName)
{
    const auto fail = [](const std::string &why) {
        return Error(err::Failed, "The recorded data set cannot be used: " + why);
    };
    Json root;
    try {
        root = Json::parse(json);
    } catch (const Json::exception &e) { // a syntax error, or a number beyond a double
        throw fail(std::string("it is not valid JSON (") + e.what() + ")");
    }
    try {
        if (!root.is_object() || root.value("format", std::string()) != "quorvin-recording")
            throw FormatError("it is not a \"quorvin-recording\"");
        if (!root.contains("version") || root["version"] != 1)
            throw FormatError("only version 1 is understood");
        auto recording = std::make_shared<Recording>();
        if (root.contains("localComputer")) {
            if (!root["localComputer"].is_string())
                throw FormatError("\"localComputer\" must be text");
            recording->localComputer = root["localComputer"].get<std::string>();
        }
        if (!root.contains("computers") || !root["computers"].is_object())
            throw FormatError("it has no \"computers\" object");
        for (const auto &[name, node] : root["computers"].items())
            recording->computers[toLowerAscii(name)] =
                std::make_shared<Computer>(computerFrom(node, "computer \"" + name + "\""));
        return std::unique_ptr<ReplaySource>(
            new ReplaySource(std::move(recording), std::move(localHostName)));
    } catch (const FormatError &e) {
        throw fail(e.what());
    } catch (const Json::exception &e) {
        throw fail(e.what());
    }
}

std::unique_ptr<ReplaySource> ReplaySource::fromFile(const std::filesystem::path &path,
                                                     std::string localHostName)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error(err::Failed, "The recorded data set " + path.string() + " cannot be opened.");
    std::ostringstream text;
    text << in.rdbuf();
    try {
        return fromJson(text.str(), std::move(localHostName));
    } catch (const Error &e) {
        throw Error(e.number(), e.description() + " (" + path.string() + ")");
    }
}

std::unique_ptr<Service> ReplaySource::connect(std::string_view monikerText)
{
    const Moniker moniker = parseMoniker(monikerText);
    std::shared_ptr<Computer> computer = m_recording->find(moniker.computer);
    if (!computer && !m_recording->localComputer.empty() &&
        isLocalComputerName(moniker.computer, m_localHostName))
        computer = m_recording->find(m_recording->localComputer);
    if (!computer)
        throw Error(err::RemoteServerUnavailable);
    if (computer->connectError)
        throw *computer->connectError;
    return std::make_unique<ReplayService>(std::move(computer));
}

} // namespace quorvin::mgmt
