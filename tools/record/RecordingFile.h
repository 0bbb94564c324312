#pragma once
#include <nlohmann/json.hpp>
#include <string>

namespace quorvin::tools {

// Writes a recording's JSON text whole or not at all: into a new file in the folder of `path`, which replaces
// `path` only once it is complete (an existing one keeps its permissions). A text that is not valid UTF-8 (a
// process name is whatever bytes the process gave itself) is written with each invalid sequence replaced by
// U+FFFD. Throws std::runtime_error naming the file on any failure; `path` is then as it was.
void writeRecording(const std::string &path, const nlohmann::json &recording);

} // namespace quorvin::tools
