#include "mgmt/remote/RemoteTexts.h"
#include "mgmt/Error.h"

namespace quorvin::mgmt::remote {

RemoteTexts::RemoteTexts(std::string_view output)
{
    while (!output.empty()) {
        const auto end = output.find('\n');
        const std::string_view line = output.substr(0, end);
        output.remove_prefix(end == std::string_view::npos ? output.size() : end + 1);
        if (line.starts_with('=')) {
            const auto blank = line.find(' ');
            const std::string_view key =
                line.substr(1, blank == std::string_view::npos ? line.size() : blank - 1);
            const std::string_view value =
                blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
            m_values[std::string(key)] = std::string(value);
            continue;
        }
        // Paths are absolute or below /proc, and never hold a colon.
        const auto colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0 ||
            line.substr(0, colon).find(' ') != std::string_view::npos)
            continue;
        std::string &text = m_files[std::string(line.substr(0, colon))];
        text.append(line.substr(colon + 1));
        text.push_back('\n');
    }
}

const std::string *RemoteTexts::file(const std::string &path) const
{
    const auto it = m_files.find(path);
    return it == m_files.end() ? nullptr : &it->second;
}

const std::string &RemoteTexts::required(const std::string &path) const
{
    if (const std::string *text = file(path))
        return *text;
    throw Error(err::Failed, "The remote computer did not give " + path + ".");
}

std::optional<std::string> RemoteTexts::value(const std::string &key) const
{
    const auto it = m_values.find(key);
    if (it == m_values.end())
        return std::nullopt;
    return it->second;
}

} // namespace quorvin::mgmt::remote
