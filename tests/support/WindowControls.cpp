#include "support/WindowControls.h"
#include "app/frmQuorvin.h"
#include "pages/general/GeneralPage.h"
#include "pages/network/NetworkPage.h"
#include "pages/processes/ProcessesPage.h"
#include "pages/processor/ProcessorPage.h"
#include "pages/services/ServicesPage.h"

namespace quorvin::test {

Controls Controls::of(frmQuorvin &form)
{
    return {{form.controls()},
            {form.generalPage().controls()},
            {form.processorPage().controls()},
            {form.processesPage().controls()},
            {form.servicesPage().controls()},
            {form.networkPage().controls()}};
}

} // namespace quorvin::test
