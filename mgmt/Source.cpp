#include "mgmt/Source.h"
#include "mgmt/Query.h"

namespace quorvin::mgmt {

std::vector<ClassAnswer> Service::instancesOfEach(std::span<const std::string_view> asks)
{
    std::vector<ClassAnswer> answers;
    answers.reserve(asks.size());
    for (const std::string_view ask : asks) {
        ClassAnswer &answer = answers.emplace_back();
        try {
            const Query query = askOf(ask);
            answer.instances = query.nameEquals ? execQuery(ask) : instancesOf(query.className);
        } catch (const Error &error) {
            // One call a class: an unreachable computer fails them all, so it fails the reading.
            if (error.number() == err::RemoteServerUnavailable)
                throw;
            answer.error = error;
        }
    }
    return answers;
}

} // namespace quorvin::mgmt
