#pragma once
#include <unistd.h>

namespace quorvin::mgmt::linux_ {

// Closes a file descriptor when it goes out of scope; a negative one is none.
class FileDescriptor final {
public:
    explicit FileDescriptor(int fd) noexcept : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const noexcept { return m_fd; }

private:
    int m_fd;
};

} // namespace quorvin::mgmt::linux_
