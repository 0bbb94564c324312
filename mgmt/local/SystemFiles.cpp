#include "mgmt/local/SystemFiles.h"
#include "mgmt/Error.h"
#include "mgmt/FileDescriptor.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvin::mgmt::linux_ {

namespace {

// Kernel files report a size of 0, so the size is not known beforehand: start with room for a large
// /proc/stat (the interrupt line of a big server runs to tens of kilobytes) so that one read takes it all.
constexpr std::size_t InitialReadSize = 64 * 1024;
// Far beyond any file the classes read; a device or a runaway file in the place of one ends here.
constexpr std::size_t MaxFileBytes = 64 * 1024 * 1024;

Error unreadable(const std::string &path, int error)
{
    return Error(err::Failed, "The file " + path + " cannot be read: " + std::strerror(error) + ".");
}

Error unusable(const std::string &path, const std::string &why)
{
    return Error(err::Failed, "The file " + path + " cannot be used: " + why);
}

bool isDigits(const char *name) noexcept
{
    if (*name == '\0')
        return false;
    for (; *name; ++name)
        if (*name < '0' || *name > '9')
            return false;
    return true;
}

} // namespace

SystemFiles::SystemFiles(std::string root) : m_root(std::move(root))
{
    if (m_root.empty() || m_root.back() != '/')
        m_root += '/';
}

std::string SystemFiles::fullPath(std::string_view relative) const
{
    while (!relative.empty() && relative.front() == '/')
        relative.remove_prefix(1);
    return m_root + std::string(relative);
}

std::optional<std::string> SystemFiles::readIfPresent(std::string_view relative) const
{
    const std::string path = fullPath(relative);
    // Never waits for a writer: a FIFO in a file's place is opened at once, and refused below.
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        throw unreadable(path, errno);
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        throw unreadable(path, errno);
    if (!S_ISREG(info.st_mode))
        throw unusable(path, "it is not a regular file.");
    std::string text(InitialReadSize, '\0');
    std::size_t used = 0;
    for (;;) {
        if (used == text.size()) {
            if (text.size() >= MaxFileBytes)
                throw unusable(path,
                               "it is larger than " + std::to_string(MaxFileBytes / (1024 * 1024)) + " MiB.");
            text.resize(text.size() * 2);
        }
        const ssize_t got = ::read(fd.get(), text.data() + used, text.size() - used);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw unreadable(path, errno);
        }
        if (got == 0)
            break;
        used += static_cast<std::size_t>(got);
    }
    text.resize(used);
    return text;
}

std::string SystemFiles::read(std::string_view relative) const
{
    std::optional<std::string> text = readIfPresent(relative);
    if (!text)
        throw unreadable(fullPath(relative), ENOENT);
    return std::move(*text);
}

std::size_t SystemFiles::countNumericDirectories(std::string_view relative) const
{
    const std::string path = fullPath(relative);
    const std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(path.c_str()), ::closedir);
    if (!dir)
        throw Error(err::Failed,
                    "The directory " + path + " cannot be listed: " + std::strerror(errno) + ".");
    std::size_t count = 0;
    while (const dirent *entry = ::readdir(dir.get())) {
        if (!isDigits(entry->d_name))
            continue;
        if (entry->d_type == DT_DIR) {
            ++count;
        } else if (entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            if (::fstatat(::dirfd(dir.get()), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode))
                ++count;
        }
    }
    return count;
}

std::optional<std::int64_t> SystemFiles::birthTime(std::string_view relative) const
{
    struct statx info {};
    if (::statx(AT_FDCWD, fullPath(relative).c_str(), AT_STATX_DONT_SYNC, STATX_BTIME, &info) != 0)
        return std::nullopt;
    if (!(info.stx_mask & STATX_BTIME) || info.stx_btime.tv_sec == 0)
        return std::nullopt;
    return info.stx_btime.tv_sec;
}

std::optional<std::int64_t> SystemFiles::modificationTime(std::string_view relative) const
{
    struct stat info {};
    if (::stat(fullPath(relative).c_str(), &info) != 0)
        return std::nullopt;
    return static_cast<std::int64_t>(info.st_mtim.tv_sec);
}

} // namespace quorvin::mgmt::linux_
