#pragma once
#include "mgmt/Error.h"
#include "mgmt/Instance.h"

#include <cstddef>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quorvin::mgmt::replay {

// The answer list of one query: a list of instances, or an error that the query raises.
using Answer = std::variant<std::vector<Instance>, Error>;

struct QueryAnswers {
    std::vector<Answer> answers; // never empty
    std::size_t timesRun = 0;
};

struct RecordedComputer {
    std::optional<Error> connectError;
    std::map<std::string, QueryAnswers> queries; // by normalised query text
};

// A recorded data set (a "quorvin-recording" JSON file) as the replay source answers from it.
struct Recording {
    std::string localComputer;
    std::map<std::string, std::shared_ptr<RecordedComputer>> computers; // by lower-cased name

    std::shared_ptr<RecordedComputer> find(std::string_view name) const;
};

// Throws mgmt::Error ("The recorded data set cannot be used: …" and the fault) for anything but a recording.
Recording loadRecording(std::string_view json);

// The whole text of a recording file. Only a regular file of a sane size is read: /dev/zero or a FIFO in its
// place must not keep the program reading or waiting.
std::string recordingText(const std::filesystem::path &path);

// Lower case, blanks folded, so that spellings of one query find one key.
std::string normalisedQuery(std::string_view text);

} // namespace quorvin::mgmt::replay
