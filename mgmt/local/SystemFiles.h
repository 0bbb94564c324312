#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvin::mgmt::linux_ {

// Reads the files of a system tree ("proc/stat", "etc/os-release" …) below a root, which is "/" for this
// computer and a saved copy in the tests. Only reads: what the texts mean is the parsers' business.
class SystemFiles final {
public:
    explicit SystemFiles(std::string root);

    // The whole file; a missing or unreadable file raises "Generic failure" naming its full path, as does one
    // that is no regular file (a FIFO, a device: never waited on) or that is larger than 64 MiB.
    std::string read(std::string_view relative) const;
    // The same, or nothing when the file does not exist.
    std::optional<std::string> readIfPresent(std::string_view relative) const;

    // The entries of a directory whose names are all digits (the processes of "proc").
    std::size_t countNumericDirectories(std::string_view relative) const;

    // Seconds since the epoch; nothing when the path is missing or the file system keeps no such time.
    std::optional<std::int64_t> birthTime(std::string_view relative) const;
    std::optional<std::int64_t> modificationTime(std::string_view relative) const;

    // The root followed by the relative path, as the error descriptions name it.
    std::string fullPath(std::string_view relative) const;

private:
    std::string m_root; // ends with '/'
};

} // namespace quorvin::mgmt::linux_
