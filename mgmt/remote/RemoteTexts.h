#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quorvin::mgmt::remote {

// What one remote command printed: the files it read, each line as `grep -H` prints it ("PATH:LINE"), and
// values it worked out, each on a line of its own ("=KEY VALUE"). The files are put back together line by
// line, so that the parsers of the local source read them as they would read the files themselves.
class RemoteTexts final {
public:
    // Lines of neither kind (a greeting the remote shell printed on start) are ignored.
    explicit RemoteTexts(std::string_view output);

    const std::string *file(const std::string &path) const;
    // The file, or a "Generic failure" that names the computer's file.
    const std::string &required(const std::string &path) const;
    std::optional<std::string> value(const std::string &key) const;

    const std::map<std::string, std::string> &files() const noexcept { return m_files; }

private:
    std::map<std::string, std::string> m_files;
    std::map<std::string, std::string> m_values;
};

} // namespace quorvin::mgmt::remote
