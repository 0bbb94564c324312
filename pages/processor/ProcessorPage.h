#pragma once

namespace quorvin {

struct PageContext;

// The Processor Utilization page.
class ProcessorPage final {
public:
    explicit ProcessorPage(PageContext &context) : m(context) {}

    void RefreshProcessor();
    void tmrpct_Timer();

private:
    PageContext &m;
};

} // namespace quorvin
