#include "pages/general/GeneralPage.h"
#include "kit/ClassQuery.h"
#include "kit/Clock.h"
#include "kit/DateTimeText.h"
#include "kit/ErrorReport.h"
#include "kit/FormState.h"
#include "kit/NumberFormat.h"
#include "kit/PageContext.h"
#include "kit/PropertyText.h"
#include "mgmt/Convert.h"
#include "mgmt/Names.h"

#include <QGroupBox>
#include <QLabel>

namespace quorvin {

namespace {

struct OperatingSystemTexts {
    QString caption, servicePack, freePhysical, freeVirtual, organization, serialNumber, processes, lastBoot,
        installDate;
};

QString megabytes(const QString &kilobytes)
{
    return megabytesText(mgmt::toDouble(mgmt::Value(kilobytes.toStdString())));
}

} // namespace

GeneralPage::GeneralPage(PageContext &context)
    : m(context), m_controls(GeneralControls::design(context.designer))
{
}

QWidget *GeneralPage::frame() const
{
    return m_controls.frGen;
}

void GeneralPage::tick()
{
    if (m.state.TickCount < 2) {
        m.state.countTick();
        return;
    }
    General();
    m_controls.lblUpdate->setText(QStringLiteral("Last Updated:") + localDateTimeText(m.clock.now()));
    m.state.TickCount = 0;
}

void GeneralPage::General()
{
    m.errors.guard(ErrorReport::Policy::SwitchOffFirst, [this] {
        m.state.ComputerMoniker = plainMoniker(m.state.TargetComputer);
        const QueryAnswer systems =
            instancesOf(m.source, m.state.ComputerMoniker, mgmt::cls::OperatingSystem);
        OperatingSystemTexts os;
        for (const mgmt::Instance &instance : systems.instances) {
            os.caption = propertyText(instance, mgmt::prop::Caption);
            os.servicePack = propertyTextOrEmpty(instance, mgmt::prop::CSDVersion);
            os.freePhysical = propertyText(instance, mgmt::prop::FreePhysicalMemory);
            os.freeVirtual = propertyText(instance, mgmt::prop::FreeVirtualMemory);
            os.organization = propertyText(instance, mgmt::prop::Organization);
            os.serialNumber = propertyText(instance, mgmt::prop::SerialNumber);
            os.processes = propertyText(instance, mgmt::prop::NumberOfProcesses);
            os.lastBoot = propertyText(instance, mgmt::prop::LastBootupTime);
            os.installDate = propertyTextOrEmpty(instance, mgmt::prop::InstallDate);
        }
        const GeneralControls &c = m_controls;
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
