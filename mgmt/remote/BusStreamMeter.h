#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvin::mgmt::remote {

// Follows what a bus bridge sends towards sd-bus and holds each call to a bound of bytes and of messages,
// counted as D-Bus frames them: sd-bus keeps every message that is not the answer it waits for, and a flood
// of small ones costs it far more memory than their bytes. The lines of the greeting count as messages too.
class BusStreamMeter final {
public:
    BusStreamMeter(std::size_t maxBytes, std::size_t maxMessages) noexcept;

    // A new call: its counts start at nothing, the framing carries on.
    void startCall() noexcept;
    // Counts what arrived; false once the call is past a bound, counting a message's declared size as soon as
    // its header is in.
    bool take(const char *data, std::size_t size) noexcept;
    // "more than 16 MiB or 10000 messages", for the error.
    std::string bounds() const;

private:
    void messageStarts(std::uint64_t size) noexcept;

    std::size_t m_maxBytes;
    std::size_t m_maxMessages;
    std::uint64_t m_bytes = 0;  // of this call, declared or arrived
    std::size_t m_messages = 0; // of this call
    bool m_greeting = true;     // text lines until the first message
    bool m_atLineStart = true;
    std::array<unsigned char, 16> m_header{};
    std::size_t m_headerHave = 0;
    std::uint64_t m_toSkip = 0; // of the message whose header is in
};

} // namespace quorvin::mgmt::remote
