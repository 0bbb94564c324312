#pragma once

namespace quorvin {

// Real Time Mode off for as long as it lives, then back as it was, however the pass ends: a pass never turns
// the poll on behind a cleared box, and never leaves it off behind a ticked one.
class RealTimePause final {
public:
    explicit RealTimePause(bool &realTimeMode) noexcept : m_mode(realTimeMode), m_was(realTimeMode)
    {
        m_mode = false;
    }
    ~RealTimePause() { m_mode = m_was; }
    RealTimePause(const RealTimePause &) = delete;
    RealTimePause &operator=(const RealTimePause &) = delete;

private:
    bool &m_mode;
    bool m_was;
};

} // namespace quorvin
