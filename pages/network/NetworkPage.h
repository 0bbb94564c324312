#pragma once
#include "kit/Page.h"
#include "pages/network/AdapterMonitor.h"

#include <QString>

namespace quorvin {

struct PageContext;

// The Network page: the adapters, the chosen one's totals since it was chosen, and its utilization against
// the bandwidth reference.
class NetworkPage final : public Page {
public:
    explicit NetworkPage(PageContext &context) : m(context) {}

    void refresh() override;
    // Every tick.
    void tick() override { refresh(); }
    // A new baseline, from a rebuilt adapter list.
    void realTimeModeOn() override;

    // Errors pass to the caller.
    void RefreshNetwork();
    void cmdSetBand_Click();

    const QString &NetAdapter() const noexcept { return m_monitor.NetAdapter(); }
    const NetSample &sample() const noexcept { return m_monitor.sample(); }

private:
    void rebuildAdapterList();
    void show(const AdapterMonitor::Reading &reading);
    void showNoAdapter();
    void showReference();

    PageContext &m;
    AdapterMonitor m_monitor;
};

} // namespace quorvin
