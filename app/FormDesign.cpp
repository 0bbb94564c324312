#include "app/FormDesign.h"
#include "kit/Twips.h"
#include "kit/VbColor.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTabBar>
#include <QTimer>

namespace quorvin {

Designer designForm(QWidget *form, const Twips &twips)
{
    form->setObjectName(QStringLiteral("frmQuorvin"));
    form->setWindowTitle(QStringLiteral("Verko's Quorvin"));
    form->setFont(designFont(DefaultPoints));
    form->resize(twips.toPixels(10020), twips.toPixels(9375));
    return Designer(form, twips);
}

FormControls designTabStripAndPoll(Designer &d)
{
    FormControls c;
    c.tbs = d.place(new QTabBar(d.form()), "tbs", QRect(0, 0, 9975, 585));
    c.tbs->setFont(designFont(DefaultPoints));
    c.tbs->setExpanding(true);
    c.tbs->setDrawBase(true);
    for (const char *caption : {"General", "Processor Utilization", "Process Details", "Services", "Network"})
        c.tbs->addTab(QString::fromLatin1(caption));
    c.tmr1 = d.timer("tmr1", 1000, false);
    return c;
}

void designBottomStrip(Designer &d, FormControls &c)
{
    QWidget *form = d.form();
    c.chkRealTime = d.place(new QCheckBox(QStringLiteral("Real Time Mode"), form), "chkRealTime",
                            QRect(480, 5280, 1695, 375));
    c.chkRealTime->setFont(designFont(9.75, true));
    c.chkRealTime->setChecked(true);

    c.lbl1 = d.textBox(form, "lbl1", QStringLiteral("Accessing Computer:"), QRect(2760, 5280, 2175, 330),
                       designFont(DefaultPoints, true));
    c.lbl1->setFrame(false);
    c.lbl1->setReadOnly(true);
    c.lbl1->setFocusPolicy(Qt::NoFocus);
    c.lbl1->setCursorPosition(0); // a caption wider than its box shows its start
    QPalette p = c.lbl1->palette();
    p.setColor(QPalette::Base, colorFromValue(ScrollBarColor));
    c.lbl1->setPalette(p);

    c.txtComp = d.textBox(form, "txtComp", QString(), QRect(4920, 5280, 2415, 330), designFont(9.75));
    c.txtComp->setEnabled(false);
}

} // namespace quorvin
