#pragma once
#include "kit/Page.h"

namespace quorvin {

struct PageContext;

// The General page: the operating-system summary of the target computer.
class GeneralPage final : public Page {
public:
    explicit GeneralPage(PageContext &context) : m(context) {}

    void refresh() override { General(); }
    // Every third tick: a refresh, and the time it was taken.
    void tick() override;

    // Reads the operating-system record and writes the nine labels; failures end in the common error report.
    void General();

private:
    PageContext &m;
};

} // namespace quorvin
