#include "mgmt/remote/BusStreamMeter.h"

#include <algorithm>

namespace quorvin::mgmt::remote {

namespace {

constexpr std::size_t HeaderSize = 16;

std::uint32_t number(const unsigned char *at, bool littleEndian) noexcept
{
    return littleEndian ? std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 |
                              std::uint32_t(at[3]) << 24
                        : std::uint32_t(at[3]) | std::uint32_t(at[2]) << 8 | std::uint32_t(at[1]) << 16 |
                              std::uint32_t(at[0]) << 24;
}

} // namespace

BusStreamMeter::BusStreamMeter(std::size_t maxBytes, std::size_t maxMessages) noexcept
    : m_maxBytes(maxBytes), m_maxMessages(maxMessages)
{
}

void BusStreamMeter::startCall() noexcept
{
    m_bytes = 0;
    m_messages = 0;
}

void BusStreamMeter::messageStarts(std::uint64_t size) noexcept
{
    m_bytes += size;
    ++m_messages;
}

bool BusStreamMeter::take(const char *data, std::size_t size) noexcept
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(data);
    std::size_t at = 0;
    while (at < size) {
        if (m_toSkip > 0) {
            const std::size_t skipped =
                static_cast<std::size_t>(std::min<std::uint64_t>(m_toSkip, size - at));
            m_toSkip -= skipped;
            at += skipped;
        } else if (m_greeting) {
            // The bus's answers to the greeting are lines; the first message starts with its byte order.
            const unsigned char c = bytes[at];
            if (m_atLineStart && (c == 'l' || c == 'B')) {
                m_greeting = false;
                continue;
            }
            if (m_atLineStart)
                ++m_messages;
            m_atLineStart = c == '\n';
            ++m_bytes;
            ++at;
        } else {
            const std::size_t copied = std::min(HeaderSize - m_headerHave, size - at);
            std::copy_n(bytes + at, copied, m_header.begin() + static_cast<std::ptrdiff_t>(m_headerHave));
            m_headerHave += copied;
            at += copied;
            if (m_headerHave < HeaderSize)
                break;
            // The fixed header, then the header fields padded to 8, then the body.
            const bool littleEndian = m_header[0] == 'l';
            const std::uint64_t fields = number(&m_header[12], littleEndian);
            const std::uint64_t body = number(&m_header[4], littleEndian);
            const std::uint64_t total = ((HeaderSize + fields + 7) & ~std::uint64_t(7)) + body;
            messageStarts(total);
            m_toSkip = total - HeaderSize;
            m_headerHave = 0;
        }
    }
    return m_bytes <= m_maxBytes && m_messages <= m_maxMessages;
}

std::string BusStreamMeter::bounds() const
{
    return "more than " + std::to_string(m_maxBytes / (1024 * 1024)) + " MiB or " +
           std::to_string(m_maxMessages) + " messages";
}

} // namespace quorvin::mgmt::remote
