#include "pages/network/AdapterMonitor.h"
#include "kit/Clock.h"
#include "kit/NumberFormat.h"

#include <algorithm>

namespace quorvin {

AdapterMonitor::Reading AdapterMonitor::read(const QString &chosen, const AdapterCounters &counters,
                                             const Clock &clock)
{
    Reading reading;
    if (takesBaseline(chosen)) {
        m_sample.BasePacketsSent = counters.packetsSent;
        m_sample.BasePacketsReceived = counters.packetsReceived;
        m_sample.BaseBytesSent = counters.bytesSent;
        m_sample.BaseBytesReceived = counters.bytesReceived;
        m_adapter = chosen.trimmed();
        m_sample.LastSampleTime = clock.monotonicSeconds();
        m_sample.NetSampleState = 0;
        m_sample.BandwidthReference = counters.bandwidthBitsPerSecond / 8;
        reading.newBaseline = true;
    }
    if (m_sample.NetSampleState != 0) {
        const double elapsed = clock.monotonicSeconds() - m_sample.LastSampleTime;
        const double intervalBytes = (counters.bytesSent - m_sample.BaseBytesSent) +
                                     (counters.bytesReceived - m_sample.BaseBytesReceived) -
                                     (m_shownBytesSent + m_shownBytesReceived);
        m_sample.LastSampleTime = clock.monotonicSeconds();
        // Without a reference or without time passing there is no utilization to tell. A negative reference
        // is used as it is, and the clamp makes its share 0 (+ 0.0: never "-0").
        if (m_sample.BandwidthReference != 0 && elapsed > 0) {
            const double percent = intervalBytes / (m_sample.BandwidthReference * elapsed) * 100;
            reading.percent = std::clamp(roundHalfAway(percent, 1), 0.0, 100.0) + 0.0;
        }
    } else {
        reading.percent = 0;
    }
    reading.packetsSent = counters.packetsSent - m_sample.BasePacketsSent;
    reading.packetsReceived = counters.packetsReceived - m_sample.BasePacketsReceived;
    reading.bytesSent = m_shownBytesSent = counters.bytesSent - m_sample.BaseBytesSent;
    reading.bytesReceived = m_shownBytesReceived = counters.bytesReceived - m_sample.BaseBytesReceived;
    m_sample.NetSampleState = 1;
    return reading;
}

} // namespace quorvin
