#include "pages/services/ServicesControls.h"
#include "kit/Designer.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace quorvin {

ServicesControls ServicesControls::design(Designer &d)
{
    ServicesControls c;
    c.frServ = d.frame("frServ", FramePlace);
    c.lblServtit = d.titleLabel(c.frServ, "lblServtit", QStringLiteral("Services"),
                                QRect(960, 240, 7455, 375), designFont(14.25, true));
    c.msfgServ = d.grid(c.frServ, "msfgServ", QRect(120, 720, 9495, 3375));
    c.cmdRF = d.place(new QPushButton(QStringLiteral("Refresh List"), c.frServ), "cmdRF",
                      QRect(3960, 4150, 1695, 330));
    c.cmdRF->setFont(designFont(DefaultPoints));
    c.lblServInfo =
        d.label(c.frServ, "lblServInfo", QStringLiteral("(Click Start/Stop to Change Service Status)"),
                QRect(5760, 4200, 4095, 255), designFont(DefaultPoints));
    return c;
}

} // namespace quorvin
