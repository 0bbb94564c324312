#pragma once
#include "kit/Page.h"
#include "pages/services/ServicesControls.h"

#include <QString>
#include <cstdint>

namespace quorvin {

class ServiceModel;
struct PageContext;

// The Services page: the service list, its sort, and starting and stopping services.
class ServicesPage final : public Page {
public:
    explicit ServicesPage(PageContext &context);

    const ServicesControls &controls() const noexcept { return m_controls; }
    QWidget *frame() const override;
    QRect framePlace() const override { return ServicesControls::FramePlace; }
    void connectEvents(EventRunner &events) override;

    void refresh() override { RefreshServices(); }
    // The list is refreshed only by its own events, never by the poll.
    void tick() override {}
    void realTimeModeOn() override { RefreshServices(); }

    // Rebuilds the list; failures end in the common error report.
    void RefreshServices();
    void cmdRF_Click();
    // r and c: the cell the click happened on.
    void msfgServ_Click(int r, int c);
    // action: 1 start, 0 stop.
    void ControlService(const QString &serviceName, std::int16_t action);

private:
    PageContext &m;
    ServicesControls m_controls;
    ServiceModel *m_model; // owned by the grid
};

} // namespace quorvin
