#include "tools/record/RecordingFile.h"
#include "mgmt/FileDescriptor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvin::tools {

namespace {

std::runtime_error failure(const std::string &what, const std::string &path, int error)
{
    return std::runtime_error("cannot " + what + " " + path + ": " + std::strerror(error));
}

// A file of its own beside `path`, created with the permissions a new file gets (or those of `path`).
mgmt::FileDescriptor createBeside(const std::string &path, std::string &created)
{
    const std::filesystem::path target(path);
    const std::string stem =
        (target.has_parent_path() ? target.parent_path().string() + "/" : std::string()) + "." +
        target.filename().string() + ".part-" + std::to_string(::getpid());
    for (int attempt = 0;; ++attempt) {
        created = stem + (attempt ? "-" + std::to_string(attempt) : std::string());
        mgmt::FileDescriptor fd(::open(created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (fd.get() >= 0) {
            struct stat existing {};
            if (::stat(path.c_str(), &existing) == 0)
                ::fchmod(fd.get(), existing.st_mode & 07777);
            return fd;
        }
        if (errno != EEXIST || attempt == 100)
            throw failure("create a file beside", path, errno);
    }
}

void writeAll(int fd, const std::string &text, const std::string &path)
{
    for (std::size_t written = 0; written < text.size();) {
        const ssize_t done = ::write(fd, text.data() + written, text.size() - written);
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0)
            throw failure("write", path, errno);
        written += static_cast<std::size_t>(done);
    }
}

} // namespace

void writeRecording(const std::string &path, const nlohmann::json &recording)
{
    const std::string text = recording.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    std::string part;
    mgmt::FileDescriptor fd = createBeside(path, part);
    try {
        writeAll(fd.get(), text, path);
        // On the disk before it takes the recording's name: a crash leaves the old recording or the new one.
        if (::fsync(fd.get()) != 0)
            throw failure("write", path, errno);
        fd.reset();
        if (::rename(part.c_str(), path.c_str()) != 0)
            throw failure("replace", path, errno);
    } catch (...) {
        ::unlink(part.c_str());
        throw;
    }
}

} // namespace quorvin::tools
