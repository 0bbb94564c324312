#pragma once
#include "mgmt/Source.h"

#include <chrono>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace quorvin::tools {

// Takes samples of management classes from any source and writes them as a recorded data set.
class Recorder final {
public:
    struct Options {
        std::string moniker = "winmgmts://";
        std::string recordedName = "recorded";
        std::vector<std::string> classes;
        int samples = 5;
        std::chrono::milliseconds interval{1000};
    };

    Recorder(mgmt::Source &source, Options options);

    // Returns the recording; classes the source does not know are left out and named in `skipped`.
    nlohmann::json record(const std::function<void(std::chrono::milliseconds)> &sleep);
    const std::vector<std::string> &skipped() const noexcept { return m_skipped; }

    static nlohmann::json toJson(const mgmt::Instance &instance);

private:
    mgmt::Source &m_source;
    Options m_options;
    std::vector<std::string> m_skipped;
};

} // namespace quorvin::tools
