#pragma once

namespace quorvin {

struct PageContext;

class ServicesPage final {
public:
    explicit ServicesPage(PageContext &context) : m(context) {}

    void RefreshServices();

private:
    PageContext &m;
};

} // namespace quorvin
