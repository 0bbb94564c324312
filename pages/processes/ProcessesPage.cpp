#include "pages/processes/ProcessesPage.h"
#include "app/PageContext.h"

namespace quorvin {

void ProcessesPage::RefreshProcesses()
{
    (void)m;
}

} // namespace quorvin
