#pragma once
#include <QString>

#include <cstdint>
#include <optional>

namespace quorvin {

class Clock;

// The baseline and sampling state of the adapter named by NetAdapter.
struct NetSample {
    double BasePacketsSent = 0;
    double BasePacketsReceived = 0;
    double BaseBytesSent = 0;
    double BaseBytesReceived = 0;
    double LastSampleTime = 0;       // monotonic seconds, so that midnight changes nothing
    std::int16_t NetSampleState = 0; // 0: baseline just taken
    double BandwidthReference = 0;   // bytes per second that count as 100 %
};

// One adapter's cumulative counters as the computer gives them.
struct AdapterCounters {
    double packetsSent = 0, packetsReceived = 0, bytesSent = 0, bytesReceived = 0;
    double bandwidthBitsPerSecond = 0;
};

// What the Network page shows of the chosen adapter: its totals since it was chosen, and its utilization over
// the time that really passed since the previous reading, against the bandwidth reference. No widgets.
class AdapterMonitor final {
public:
    struct Reading {
        bool newBaseline = false; // the adapter's bandwidth became the reference
        double packetsSent = 0, packetsReceived = 0, bytesSent = 0, bytesReceived = 0; // since the baseline
        // Percent from 0 to 100; nothing where no utilization can be told (a zero reference, no time passed).
        std::optional<double> percent;
    };

    // The next reading takes a new baseline (the page was entered, Real Time Mode went on).
    void restart() { m_adapter.clear(); }
    // The reading of `chosen` takes a new baseline (the adapter's bandwidth is read only then).
    bool takesBaseline(const QString &chosen) const { return chosen.trimmed() != m_adapter; }
    Reading read(const QString &chosen, const AdapterCounters &counters, const Clock &clock);
    // No adapter is chosen: nothing has been shown since a baseline.
    void forgetShownTotals() { m_shownBytesSent = m_shownBytesReceived = 0; }

    const QString &NetAdapter() const noexcept { return m_adapter; }
    const NetSample &sample() const noexcept { return m_sample; }
    void setBandwidthReference(double bytesPerSecond) { m_sample.BandwidthReference = bytesPerSecond; }

private:
    QString m_adapter;
    NetSample m_sample;
    double m_shownBytesSent = 0; // the totals shown since the last reading
    double m_shownBytesReceived = 0;
};

} // namespace quorvin
