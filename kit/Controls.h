#pragma once

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTabBar;
class QTableWidget;
class QTimer;
class QWidget;

namespace quorvin {

// Every control of the window, by its design name; the window owns them all.
struct Controls {
    QTabBar *tbs = nullptr;

    // Bottom strip, always visible.
    QCheckBox *chkRealTime = nullptr;
    QLineEdit *lbl1 = nullptr;
    QLineEdit *txtComp = nullptr;

    QTimer *tmr1 = nullptr;
    QTimer *tmrpct = nullptr;

    // General.
    QGroupBox *frGen = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lbltitle2 = nullptr;
    QLabel *lblReg = nullptr;
    QLabel *lblSerial = nullptr;
    QLabel *lblProc = nullptr;
    QLabel *lblInstall = nullptr;
    QLabel *lblBoot = nullptr;
    QLabel *lblmem1 = nullptr;
    QLabel *lblMem2 = nullptr;
    QLabel *lblUpdate = nullptr;
    QLabel *lblGen1 = nullptr;

    // Processor Utilization, in its frame.
    QGroupBox *frUtil = nullptr;
    QLabel *lblproctit = nullptr;
    QProgressBar *pbPer = nullptr;
    QLabel *lblPercent = nullptr;
    // On the window, shown only with that page.
    QLabel *lblGraphtit = nullptr;
    QLabel *lblGraph = nullptr;
    QLabel *lblParm1 = nullptr;
    QLineEdit *txtPoint = nullptr;
    QLabel *lblParm2 = nullptr;
    QLineEdit *txtTime = nullptr;
    QLabel *lblpct = nullptr;

    // Process Details.
    QGroupBox *frPD = nullptr;
    QLabel *lblpdTitle = nullptr;
    QTableWidget *msfg = nullptr;
    QCheckBox *chkname = nullptr;
    QLabel *lblProcint = nullptr;
    QLineEdit *txtupdt = nullptr;

    // Services.
    QGroupBox *frServ = nullptr;
    QLabel *lblServtit = nullptr;
    QTableWidget *msfgServ = nullptr;
    QPushButton *cmdRF = nullptr;
    QLabel *lblServInfo = nullptr;

    // Network.
    QGroupBox *frNet = nullptr;
    QLabel *lblSelectNet = nullptr;
    QListWidget *lstNet = nullptr;
    QLabel *lblNet0 = nullptr;
    QProgressBar *prgNet = nullptr;
    QLabel *lblNetPct = nullptr;
    QLabel *lblNet5 = nullptr;
    QLabel *lblNetBand = nullptr;
    QLabel *lblNet1 = nullptr;
    QLabel *lblNetPackSent = nullptr;
    QLabel *lblNet2 = nullptr;
    QLabel *lblNetPackRec = nullptr;
    QLabel *lblNet3 = nullptr;
    QLabel *lblNetByteSent = nullptr;
    QLabel *lblNet4 = nullptr;
    QLabel *lblNetByteRec = nullptr;
    QLabel *lblRef = nullptr;
    QPushButton *cmdSetBand = nullptr;
};

} // namespace quorvin
