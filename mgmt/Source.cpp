#include "mgmt/Source.h"

namespace quorvin::mgmt {

std::vector<ClassAnswer> Service::instancesOfEach(std::span<const std::string_view> classNames)
{
    std::vector<ClassAnswer> answers;
    answers.reserve(classNames.size());
    for (const std::string_view className : classNames) {
        ClassAnswer &answer = answers.emplace_back();
        try {
            answer.instances = instancesOf(className);
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
