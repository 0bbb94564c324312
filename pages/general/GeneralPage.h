#pragma once

namespace quorvin {

struct PageContext;

// The General page: the operating-system summary of the target computer.
class GeneralPage final {
public:
    explicit GeneralPage(PageContext &context) : m(context) {}

    // Reads the operating-system record and writes the nine labels; failures end in the common error report.
    void General();

private:
    PageContext &m;
};

} // namespace quorvin
