#include "pages/network/NetworkPage.h"
#include "app/Clock.h"
#include "app/Controls.h"
#include "app/Dialogs.h"
#include "app/FormState.h"
#include "app/NumberFormat.h"
#include "app/PageContext.h"
#include "mgmt/Convert.h"
#include "mgmt/Query.h"
#include "mgmt/Source.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>

#include <algorithm>
#include <cmath>

namespace quorvin {

namespace {

const char *const AdapterClass = "Win32_PerfRawData_Tcpip_NetworkInterface";

double counter(const mgmt::Instance &instance, const char *property)
{
    return mgmt::toDouble(instance.get(property));
}

QString whole(double value)
{
    return formatNumber(value, 0);
}

} // namespace

void NetworkPage::RefreshNetwork()
{
    if (m.state.PageInitPending) {
        rebuildAdapterList();
        m_adapter.clear();
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
    const std::string query = std::string("Select * from ") + AdapterClass + " where name = '" +
                              mgmt::quoteQueryName(chosen.toStdString()) + "'";
    for (const mgmt::Instance &adapter : service->execQuery(query)) {
        const double packetsSent = counter(adapter, "PacketsSentPersec");
        const double packetsReceived = counter(adapter, "PacketsReceivedPersec");
        const double bytesSent = counter(adapter, "BytesSentPersec");
        const double bytesReceived = counter(adapter, "BytesReceivedPersec");
        if (chosen.trimmed() != m_adapter) {
            m_sample.BasePacketsSent = packetsSent;
            m_sample.BasePacketsReceived = packetsReceived;
            m_sample.BaseBytesSent = bytesSent;
            m_sample.BaseBytesReceived = bytesReceived;
            m_adapter = chosen.trimmed();
            m_sample.LastSampleTime = m.clock.monotonicSeconds();
            m_sample.NetSampleState = 0;
            m_sample.BandwidthReference = counter(adapter, "CurrentBandWidth") / 8;
            m.controls.lblNetBand->setText(whole(m_sample.BandwidthReference) + QStringLiteral("Bytes/Sec"));
        }
        if (m_sample.NetSampleState != 0) {
            const double elapsed = m.clock.monotonicSeconds() - m_sample.LastSampleTime;
            const double intervalBytes = (bytesSent - m_sample.BaseBytesSent) +
                                         (bytesReceived - m_sample.BaseBytesReceived) -
                                         (m_shownBytesSent + m_shownBytesReceived);
            m_sample.LastSampleTime = m.clock.monotonicSeconds();
            // Without a reference or without time passing there is no utilization to tell.
            if (m_sample.BandwidthReference <= 0 || elapsed <= 0) {
                m.controls.prgNet->setValue(0);
                m.controls.lblNetPct->setText(QStringLiteral("n/a"));
            } else {
                double percent =
                    roundHalfAway(intervalBytes / (m_sample.BandwidthReference * elapsed) * 100, 1);
                percent = std::clamp(percent, 0.0, 100.0);
                m.controls.prgNet->setValue(static_cast<int>(std::lround(percent)));
                m.controls.lblNetPct->setText(plainNumber(percent) + QStringLiteral("%"));
            }
        } else {
            m.controls.prgNet->setValue(0);
            m.controls.lblNetPct->setText(QStringLiteral("0%"));
        }
        showReference();
        m_shownBytesSent = bytesSent - m_sample.BaseBytesSent;
        m_shownBytesReceived = bytesReceived - m_sample.BaseBytesReceived;
        m.controls.lblNetPackSent->setText(whole(packetsSent - m_sample.BasePacketsSent));
        m.controls.lblNetPackRec->setText(whole(packetsReceived - m_sample.BasePacketsReceived));
        m.controls.lblNetByteSent->setText(whole(m_shownBytesSent));
        m.controls.lblNetByteRec->setText(whole(m_shownBytesReceived));
        m_sample.NetSampleState = 1;
    }
}

void NetworkPage::rebuildAdapterList()
{
    auto service = m.source.connect(impersonatingMoniker(m.state.TargetComputer).toStdString());
    QListWidget *list = m.controls.lstNet;
    int k = 0;
    for (const mgmt::Instance &adapter : service->execQuery(std::string("Select * from ") + AdapterClass)) {
        const QString name = QString::fromStdString(mgmt::toText(adapter.get("Name")));
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
    m_shownBytesSent = m_shownBytesReceived = 0;
}

void NetworkPage::showReference()
{
    m.controls.lblRef->setText(QStringLiteral("Current Reference:   ") + whole(m_sample.BandwidthReference) +
                               QStringLiteral(" Bytes/Sec"));
}

void NetworkPage::cmdSetBand_Click()
{
    const QString prompt = QStringLiteral("Utilization Calculations are Currently Using ") +
                           whole(m_sample.BandwidthReference) +
                           QStringLiteral(" Bytes/Sec as the reference.") +
                           QStringLiteral(" To change this please provide another value");
    const auto answer = m.dialogs.input(prompt, QStringLiteral("Bandwidth Reference Change"),
                                        plainNumber(m_sample.BandwidthReference));
    if (!answer || answer->isEmpty())
        return;
    if (const auto reference = readNumber(*answer)) {
        m_sample.BandwidthReference = *reference;
        showReference();
        return;
    }
    m.dialogs.message(
        QStringLiteral("The Value provided was Non-numeric and will not be accepted. The default value "
                       "of ") +
        plainNumber(m_sample.BandwidthReference) + QStringLiteral(" Will be used instead"));
}

} // namespace quorvin
