#include "mgmt/replay/ReplaySource.h"
#include "mgmt/Error.h"
#include "mgmt/Moniker.h"
#include "mgmt/Query.h"
#include "mgmt/replay/Recording.h"

#include <algorithm>

namespace quorvin::mgmt {

using namespace replay;

namespace {

class ReplayService final : public Service {
public:
    explicit ReplayService(std::shared_ptr<RecordedComputer> computer) : m_computer(std::move(computer)) {}

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

    std::shared_ptr<RecordedComputer> m_computer;
};

} // namespace

ReplaySource::ReplaySource(std::shared_ptr<replay::Recording> recording, std::string localHostName)
    : m_recording(std::move(recording)), m_localHostName(std::move(localHostName))
{
}

ReplaySource::~ReplaySource() = default;

std::unique_ptr<ReplaySource> ReplaySource::fromJson(std::string_view json, std::string localHostName)
{
    return std::unique_ptr<ReplaySource>(
        new ReplaySource(std::make_shared<Recording>(loadRecording(json)), std::move(localHostName)));
}

std::unique_ptr<ReplaySource> ReplaySource::fromFile(const std::filesystem::path &path,
                                                     std::string localHostName)
{
    const std::string text = recordingText(path);
    try {
        return fromJson(text, std::move(localHostName));
    } catch (const Error &e) {
        throw Error(e.number(), e.description() + " (" + path.string() + ")");
    }
}

std::unique_ptr<Service> ReplaySource::connect(std::string_view monikerText)
{
    const Moniker moniker = parseMoniker(monikerText);
    std::shared_ptr<RecordedComputer> computer = m_recording->find(moniker.computer);
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
