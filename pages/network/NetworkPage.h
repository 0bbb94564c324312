#pragma once
#include "kit/Page.h"
#include "pages/network/AdapterMonitor.h"
#include "pages/network/NetworkControls.h"

#include <QString>

namespace quorvin {

struct PageContext;

// The Network page: the adapters, the chosen one's totals since it was chosen, and its utilization against
// the bandwidth reference.
class NetworkPage final : public Page {
public:
    explicit NetworkPage(PageContext &context);

    const NetworkControls &controls() const noexcept { return m_controls; }
    QWidget *frame() const override;
    QRect framePlace() const override { return NetworkControls::FramePlace; }
    void connectEvents(EventRunner &events) override;

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
    NetworkControls m_controls;
    AdapterMonitor m_monitor;
};

} // namespace quorvin
