#pragma once
#include "app/FormDesign.h"
#include "pages/general/GeneralControls.h"
#include "pages/network/NetworkControls.h"
#include "pages/processes/ProcessesControls.h"
#include "pages/processor/ProcessorControls.h"
#include "pages/services/ServicesControls.h"

namespace quorvin {
class frmQuorvin;
}

namespace quorvin::test {

// Every control of the window by its design name: the window's own and each page's.
struct Controls : FormControls,
                  GeneralControls,
                  ProcessorControls,
                  ProcessesControls,
                  ServicesControls,
                  NetworkControls {
    static Controls of(frmQuorvin &form);
};

} // namespace quorvin::test
