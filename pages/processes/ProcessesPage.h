#pragma once

namespace quorvin {

struct PageContext;

class ProcessesPage final {
public:
    explicit ProcessesPage(PageContext &context) : m(context) {}

    void RefreshProcesses();

private:
    PageContext &m;
};

} // namespace quorvin
