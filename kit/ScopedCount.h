#pragma once

namespace quorvin {

// Counts one more for as long as it lives: how many handlers, or boxes, are open right now.
class ScopedCount final {
public:
    explicit ScopedCount(int &count) noexcept : m_count(count) { ++m_count; }
    ~ScopedCount() { --m_count; }
    ScopedCount(const ScopedCount &) = delete;
    ScopedCount &operator=(const ScopedCount &) = delete;

private:
    int &m_count;
};

} // namespace quorvin
