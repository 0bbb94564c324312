#include "pages/network/NetworkControls.h"
#include "kit/Designer.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

namespace quorvin {

NetworkControls NetworkControls::design(Designer &d)
{
    NetworkControls c;
    c.frNet = d.frame("frNet", FramePlace);
    QWidget *f = c.frNet;
    const QFont bold12 = designFont(DefaultPoints, true);
    const QFont plain12 = designFont(DefaultPoints);
    const auto right = Qt::AlignRight | Qt::AlignTop;
    c.lblSelectNet = d.label(f, "lblSelectNet", QStringLiteral("Select Network Adapter:"),
                             QRect(480, 360, 3855, 495), designFont(14.25, true), right);
    c.lstNet = d.place(new QListWidget(f), "lstNet", QRect(4560, 360, 4215, 915));
    c.lstNet->setFont(plain12);
    c.lblNet0 = d.label(f, "lblNet0", QStringLiteral("Adapter Utilization"), QRect(360, 960, 1935, 255),
                        bold12, Qt::AlignHCenter | Qt::AlignTop);
    c.prgNet = d.tallBar(f, "prgNet", QRect(840, 1320, 855, 2415));
    c.lblNetPct = d.label(f, "lblNetPct", QStringLiteral("0"), QRect(840, 3840, 855, 375), bold12,
                          Qt::AlignHCenter | Qt::AlignTop);
    c.lblNet5 = d.label(f, "lblNet5", QStringLiteral("Current Bandwidth:"), QRect(4560, 1440, 2055, 255),
                        bold12, right);
    c.lblNetBand =
        d.label(f, "lblNetBand", QStringLiteral("0"), QRect(6600, 1440, 2175, 255), plain12, right);
    c.lblNet1 =
        d.label(f, "lblNet1", QStringLiteral("Packets Sent:"), QRect(5400, 1920, 1935, 375), bold12, right);
    c.lblNetPackSent =
        d.label(f, "lblNetPackSent", QStringLiteral("0"), QRect(7440, 1920, 1335, 255), plain12, right);
    c.lblNet2 = d.label(f, "lblNet2", QStringLiteral("Packets Received:"), QRect(5280, 2280, 2055, 375),
                        bold12, right);
    c.lblNetPackRec =
        d.label(f, "lblNetPackRec", QStringLiteral("0"), QRect(7440, 2280, 1335, 255), plain12, right);
    c.lblNet3 =
        d.label(f, "lblNet3", QStringLiteral("Bytes Sent:"), QRect(5400, 2760, 1935, 375), bold12, right);
    c.lblNetByteSent =
        d.label(f, "lblNetByteSent", QStringLiteral("0"), QRect(7440, 2760, 1335, 255), plain12, right);
    c.lblNet4 =
        d.label(f, "lblNet4", QStringLiteral("Bytes Received:"), QRect(5400, 3120, 1935, 375), bold12, right);
    c.lblNetByteRec =
        d.label(f, "lblNetByteRec", QStringLiteral("0"), QRect(7440, 3120, 1335, 255), plain12, right);
    c.lblRef =
        d.label(f, "lblRef", QStringLiteral("Current Reference:"), QRect(4800, 3480, 4095, 375), plain12);
    c.cmdSetBand = d.place(new QPushButton(QStringLiteral("Set Bandwidth Reference"), f), "cmdSetBand",
                           QRect(6120, 3840, 2655, 405));
    c.cmdSetBand->setFont(designFont(11.25));
    return c;
}

} // namespace quorvin
