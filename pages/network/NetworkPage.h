#pragma once
#include <QString>
#include <cstdint>

namespace quorvin {

struct PageContext;

// The baseline and sampling state of the adapter named by NetAdapter.
struct NetSample {
    double BasePacketsSent = 0;
    double BasePacketsReceived = 0;
    double BaseBytesSent = 0;
    double BaseBytesReceived = 0;
    double LastSampleTime = 0; // monotonic seconds, so that midnight changes nothing
    std::int16_t NetSampleState = 0; // 0: baseline just taken
    double BandwidthReference = 0;   // bytes per second that count as 100 %
};

// The Network page: the adapters, the chosen one's totals since it was chosen, and its utilization against the
// bandwidth reference.
class NetworkPage final {
public:
    explicit NetworkPage(PageContext &context) : m(context) {}

    // Errors pass to the caller.
    void RefreshNetwork();
    void cmdSetBand_Click();

    const QString &NetAdapter() const noexcept { return m_adapter; }
    const NetSample &sample() const noexcept { return m_sample; }

private:
    void rebuildAdapterList();
    void showNoAdapter();
    void showReference();

    PageContext &m;
    QString m_adapter;
    NetSample m_sample;
    double m_shownBytesSent = 0; // the totals the labels show since the last refresh
    double m_shownBytesReceived = 0;
};

} // namespace quorvin
