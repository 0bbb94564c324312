#include "pages/network/NetworkPage.h"
#include "app/PageContext.h"

namespace quorvin {

void NetworkPage::RefreshNetwork()
{
    (void)m;
}

} // namespace quorvin
