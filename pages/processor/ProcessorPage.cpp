#include "pages/processor/ProcessorPage.h"
#include "app/Controls.h"
#include "app/PageContext.h"

#include <QLabel>
#include <QTimer>

namespace quorvin {

void ProcessorPage::RefreshProcessor() {}

void ProcessorPage::tmrpct_Timer()
{
    m.controls.lblpct->hide();
    m.controls.tmrpct->stop();
}

} // namespace quorvin
