#include "pages/general/GeneralPage.h"
#include "app/Controls.h"
#include "app/ErrorReport.h"
#include "app/FormState.h"
#include "app/NumberFormat.h"
#include "app/PageContext.h"
#include "mgmt/Convert.h"
#include "mgmt/Source.h"

#include <QLabel>

namespace quorvin {

namespace {

struct OperatingSystemTexts {
    QString caption, servicePack, freePhysical, freeVirtual, organization, serialNumber, processes, lastBoot,
        installDate;
};

QString textOf(const mgmt::Instance &instance, const char *property)
{
    return QString::fromStdString(mgmt::toText(instance.get(property)));
}

// Systems without a service pack, or without a recorded installation, report none: that is an empty line, not
// a failure.
QString textOrEmpty(const mgmt::Instance &instance, const char *property)
{
    const mgmt::Value &value = instance.get(property);
    return value.isNull() ? QString() : QString::fromStdString(mgmt::toText(value));
}

// Free memory in kilobytes, shown in whole megabytes with the locale's grouping.
QString megabytes(const QString &kilobytes)
{
    return formatNumber(mgmt::toDouble(mgmt::Value(kilobytes.toStdString())) / 1024.0, 0) +
           QStringLiteral("MB");
}

} // namespace

void GeneralPage::General()
{
    m.errors.guard(ErrorReport::Routine::General, [this] {
        m.state.ComputerMoniker = plainMoniker(m.state.TargetComputer);
        auto service = m.source.connect(m.state.ComputerMoniker.toStdString());
        OperatingSystemTexts os;
        for (const mgmt::Instance &instance : service->instancesOf("win32_operatingsystem")) {
            os.caption = textOf(instance, "Caption");
            os.servicePack = textOrEmpty(instance, "CSDVersion");
            os.freePhysical = textOf(instance, "FreePhysicalMemory");
            os.freeVirtual = textOf(instance, "FreeVirtualMemory");
            os.organization = textOf(instance, "Organization");
            os.serialNumber = textOf(instance, "SerialNumber");
            os.processes = textOf(instance, "NumberOfProcesses");
            os.lastBoot = textOf(instance, "LastBootupTime");
            os.installDate = textOrEmpty(instance, "InstallDate");
        }
        const Controls &c = m.controls;
        c.lblTitle->setText(os.caption);
        c.lbltitle2->setText(os.servicePack);
        c.lblReg->setText(QStringLiteral(" Registered To: ") + os.organization);
        c.lblSerial->setText(QStringLiteral("Serial Number: ") + os.serialNumber);
        c.lblProc->setText(os.processes + QStringLiteral(" Active Processes"));
        c.lblBoot->setText(QStringLiteral("Last Bootup: ") + os.lastBoot);
        c.lblmem1->setText(QStringLiteral("Free Physical Memory:  ") + megabytes(os.freePhysical));
        c.lblMem2->setText(QStringLiteral("Free Virtual Memory:  ") + megabytes(os.freeVirtual));
        c.lblInstall->setText(QStringLiteral("Original Install Date: ") + os.installDate);
    });
}

} // namespace quorvin
