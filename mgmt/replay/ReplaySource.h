#pragma once
#include "mgmt/Source.h"
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace quorvin::mgmt {

namespace replay {
struct Recording;
}

// Answers every connection from a recorded data set (a "quorvin-recording" JSON file) instead of live
// computers.
class ReplaySource final : public Source {
public:
    // Throws mgmt::Error with a description that names the file and the fault when the file cannot be used.
    static std::unique_ptr<ReplaySource> fromFile(const std::filesystem::path &path,
                                                  std::string localHostName);
    static std::unique_ptr<ReplaySource> fromJson(std::string_view json, std::string localHostName = {});

    ~ReplaySource() override;
    std::unique_ptr<Service> connect(std::string_view moniker) override;

private:
    ReplaySource(std::shared_ptr<replay::Recording> recording, std::string localHostName);

    std::shared_ptr<replay::Recording> m_recording;
    std::string m_localHostName;
};

} // namespace quorvin::mgmt
