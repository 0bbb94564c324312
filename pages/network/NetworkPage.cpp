#include "pages/network/NetworkPage.h"
#include "kit/Clock.h"
#include "kit/Controls.h"
#include "kit/Dialogs.h"
#include "kit/ErrorReport.h"
#include "kit/FormState.h"
#include "kit/NumberFormat.h"
#include "kit/PageContext.h"
#include "mgmt/Convert.h"
#include "mgmt/Names.h"
#include "mgmt/Query.h"
#include "mgmt/Source.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>

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

std::string adapterQuery()
{
    return "Select * from " + std::string(mgmt::cls::NetworkInterface);
}

} // namespace

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
        m.controls.lstNet->setCurrentRow(m.controls.lstNet->count() > 0 ? 0 : -1);
        m.state.PageInitPending = false;
    }
    const QListWidgetItem *selected = m.controls.lstNet->currentItem();
    if (!selected) {
        showNoAdapter();
        return;
    }
    const QString chosen = selected->text();
    auto service = m.source.connect(impersonatingMoniker(m.state.TargetComputer).toStdString());
    // The name is quoted, so that a quote in it is matched literally.
    const std::string query =
        adapterQuery() + " where name = '" + mgmt::quoteQueryName(chosen.toStdString()) + "'";
    for (const mgmt::Instance &adapter : service->execQuery(query)) {
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
    const Controls &c = m.controls;
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
    auto service = m.source.connect(impersonatingMoniker(m.state.TargetComputer).toStdString());
    QListWidget *list = m.controls.lstNet;
    int k = 0;
    for (const mgmt::Instance &adapter : service->execQuery(adapterQuery())) {
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
    m.controls.prgNet->setValue(0);
    m.controls.lblNetPct->setText(QStringLiteral("0%"));
    for (QLabel *total : {m.controls.lblNetPackSent, m.controls.lblNetPackRec, m.controls.lblNetByteSent,
                          m.controls.lblNetByteRec, m.controls.lblNetBand})
        total->setText(QStringLiteral("0"));
    m_monitor.forgetShownTotals();
}

void NetworkPage::showReference()
{
    m.controls.lblRef->setText(QStringLiteral("Current Reference:   ") +
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
