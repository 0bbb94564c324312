#include "pages/services/ServicesPage.h"
#include "app/PageContext.h"

namespace quorvin {

void ServicesPage::RefreshServices()
{
    (void)m;
}

} // namespace quorvin
