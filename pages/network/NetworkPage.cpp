#include "pages/network/NetworkPage.h"
#include "kit/ClassQuery.h"
#include "kit/Clock.h"
#include "kit/Dialogs.h"
#include "kit/ErrorReport.h"
#include "kit/EventRunner.h"
#include "kit/FormState.h"
#include "kit/NumberFormat.h"
#include "kit/PageContext.h"
#include "mgmt/Convert.h"
#include "mgmt/Names.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace quorvin {

namespace {

double counter(const mgmt::Instance &instance, std::string_view property)
{
    return mgmt::toDouble(instance.get(property));
}

QString whole(double value)
{
    return formatNumber(value, 0);
}

} // namespace

NetworkPage::NetworkPage(PageContext &context)
    : m(context), m_controls(NetworkControls::design(context.designer))
{
}

QWidget *NetworkPage::frame() const
{
    return m_controls.frNet;
}

void NetworkPage::connectEvents(EventRunner &events)
{
    QObject::connect(m_controls.cmdSetBand, &QPushButton::clicked, m_controls.cmdSetBand,
                     [this, &events] { events.run([this] { cmdSetBand_Click(); }); });
}

void NetworkPage::refresh()
{
    m.errors.guard(ErrorReport::Policy::SwitchOffFirst, [this] { RefreshNetwork(); });
}

void NetworkPage::realTimeModeOn()
{
    m.state.PageInitPending = true;
    refresh();
}

void NetworkPage::RefreshNetwork()
{
    if (m.state.PageInitPending) {
        rebuildAdapterList();
        m_monitor.restart();
        m_controls.lstNet->setCurrentRow(m_controls.lstNet->count() > 0 ? 0 : -1);
        m.state.PageInitPending = false;
    }
    const QListWidgetItem *selected = m_controls.lstNet->currentItem();
    if (!selected) {
        showNoAdapter();
        return;
    }
    const QString chosen = selected->text();
    const QueryAnswer adapters = selectNamed(m.source, impersonatingMoniker(m.state.TargetComputer),
                                             mgmt::cls::NetworkInterface, " where name = ", chosen);
    for (const mgmt::Instance &adapter : adapters.instances) {
        AdapterCounters counters;
        counters.packetsSent = counter(adapter, mgmt::prop::PacketsSent);
        counters.packetsReceived = counter(adapter, mgmt::prop::PacketsReceived);
        counters.bytesSent = counter(adapter, mgmt::prop::BytesSent);
        counters.bytesReceived = counter(adapter, mgmt::prop::BytesReceived);
        // The bandwidth is read only for a new baseline, as it is only used then.
        if (m_monitor.takesBaseline(chosen))
            counters.bandwidthBitsPerSecond = counter(adapter, mgmt::prop::CurrentBandWidth);
        show(m_monitor.read(chosen, counters, m.clock));
    }
}

void NetworkPage::show(const AdapterMonitor::Reading &reading)
{
    const NetworkControls &c = m_controls;
    if (reading.newBaseline)
        c.lblNetBand->setText(whole(m_monitor.sample().BandwidthReference) + QStringLiteral("Bytes/Sec"));
    if (reading.percent) {
        c.prgNet->setValue(static_cast<int>(std::lround(*reading.percent)));
        c.lblNetPct->setText(plainNumber(*reading.percent) + QStringLiteral("%"));
    } else {
        c.prgNet->setValue(0);
        c.lblNetPct->setText(QStringLiteral("n/a"));
    }
    showReference();
    c.lblNetPackSent->setText(whole(reading.packetsSent));
    c.lblNetPackRec->setText(whole(reading.packetsReceived));
    c.lblNetByteSent->setText(whole(reading.bytesSent));
    c.lblNetByteRec->setText(whole(reading.bytesReceived));
}

void NetworkPage::rebuildAdapterList()
{
    const QueryAnswer adapters =
        selectAll(m.source, impersonatingMoniker(m.state.TargetComputer), mgmt::cls::NetworkInterface);
    QListWidget *list = m_controls.lstNet;
    int k = 0;
    for (const mgmt::Instance &adapter : adapters.instances) {
        const QString name = QString::fromStdString(mgmt::toText(adapter.get(mgmt::prop::Name)));
        if (k < list->count())
            list->item(k)->setText(name);
        else
            list->addItem(name);
        ++k;
    }
    // Entries left from a longer list of an earlier rebuild are no adapters of this one.
    while (list->count() > k)
        delete list->takeItem(list->count() - 1);
}

void NetworkPage::showNoAdapter()
{
    m_controls.prgNet->setValue(0);
    m_controls.lblNetPct->setText(QStringLiteral("0%"));
    for (QLabel *total : {m_controls.lblNetPackSent, m_controls.lblNetPackRec, m_controls.lblNetByteSent,
                          m_controls.lblNetByteRec, m_controls.lblNetBand})
        total->setText(QStringLiteral("0"));
    m_monitor.forgetShownTotals();
}

void NetworkPage::showReference()
{
    m_controls.lblRef->setText(QStringLiteral("Current Reference:   ") +
                               whole(m_monitor.sample().BandwidthReference) + QStringLiteral(" Bytes/Sec"));
}

void NetworkPage::cmdSetBand_Click()
{
    const QString prompt = QStringLiteral("Utilization Calculations are Currently Using ") +
                           whole(m_monitor.sample().BandwidthReference) +
                           QStringLiteral(" Bytes/Sec as the reference.") +
                           QStringLiteral(" To change this please provide another value");
    const auto answer = m.dialogs.input(prompt, QStringLiteral("Bandwidth Reference Change"),
                                        plainNumber(m_monitor.sample().BandwidthReference));
    if (!answer || answer->isEmpty())
        return;
    if (const auto reference = readNumber(*answer)) {
        m_monitor.setBandwidthReference(*reference);
        showReference();
        return;
    }
    m.dialogs.message(
        QStringLiteral("The Value provided was Non-numeric and will not be accepted. The default value "
                       "of ") +
        plainNumber(m_monitor.sample().BandwidthReference) + QStringLiteral(" Will be used instead"));
}

} // namespace quorvin
