#pragma once
#include "kit/Page.h"
#include "pages/general/GeneralControls.h"

namespace quorvin {

struct PageContext;

// The General page: the operating-system summary of the target computer.
class GeneralPage final : public Page {
public:
    explicit GeneralPage(PageContext &context);

    const GeneralControls &controls() const noexcept { return m_controls; }
    QWidget *frame() const override;
    QRect framePlace() const override { return GeneralControls::FramePlace; }
    // The page's controls have no events.
    void connectEvents(EventRunner &) override {}

    void refresh() override { General(); }
    // Every third tick: a refresh, and the time it was taken.
    void tick() override;

    // Reads the operating-system record and writes the nine labels; failures end in the common error report.
    void General();

private:
    PageContext &m;
    GeneralControls m_controls;
};

} // namespace quorvin
