#pragma once
#include <QRect>

class QGroupBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace quorvin {

class Designer;

// The Network page's controls, by their design names, in the page's frame.
struct NetworkControls {
    // Where the frame stands on the window, in twips.
    static constexpr QRect FramePlace{120, 720, 9735, 4335};

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

    // Creates them with their designed names, captions, places and fonts.
    static NetworkControls design(Designer &d);
};

} // namespace quorvin
