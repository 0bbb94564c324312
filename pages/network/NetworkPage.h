#pragma once

namespace quorvin {

struct PageContext;

class NetworkPage final {
public:
    explicit NetworkPage(PageContext &context) : m(context) {}

    void RefreshNetwork();

private:
    PageContext &m;
};

} // namespace quorvin
