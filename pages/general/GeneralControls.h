#pragma once
#include <QRect>

class QGroupBox;
class QLabel;

namespace quorvin {

class Designer;

// The General page's controls, by their design names, in the page's frame.
struct GeneralControls {
    // Where the frame stands on the window, in twips.
    static constexpr QRect FramePlace{120, 650, 9735, 4575};

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

    // Creates them with their designed names, captions, places and fonts.
    static GeneralControls design(Designer &d);
};

} // namespace quorvin
