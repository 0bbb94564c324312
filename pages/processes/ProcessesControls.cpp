#include "pages/processes/ProcessesControls.h"
#include "kit/Designer.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

namespace quorvin {

ProcessesControls ProcessesControls::design(Designer &d)
{
    ProcessesControls c;
    QWidget *form = d.form();
    c.frPD = d.frame("frPD", FramePlace);
    c.frPD->hide();
    c.lblpdTitle = d.titleLabel(c.frPD, "lblpdTitle", QStringLiteral("Processes"),
                                QRect(2160, 240, 5655, 495), designFont(9.75, true));
    c.msfg = d.grid(c.frPD, "msfg", QRect(120, 840, 9615, 3135));
    c.chkname = d.place(new QCheckBox(QStringLiteral("End Processes By Name Instead of Process ID") +
                                          QString(21, QLatin1Char(' ')) +
                                          QStringLiteral("(Double Click To End Processes)"),
                                      c.frPD),
                        "chkname", QRect(120, 4200, 9375, 285));
    c.chkname->setFont(designFont(DefaultPoints));

    c.lblProcint = d.label(form, "lblProcint", QStringLiteral("Interval(Secs)"), QRect(7800, 5325, 1335, 255),
                           designFont(DefaultPoints));
    c.lblProcint->hide();
    c.txtupdt = d.textBox(form, "txtupdt", QStringLiteral("2"), QRect(9120, 5280, 495, 315),
                          designFont(DefaultPoints));
    c.txtupdt->hide();
    return c;
}

} // namespace quorvin
