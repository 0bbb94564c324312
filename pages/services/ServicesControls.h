#pragma once
#include <QRect>

class QGroupBox;
class QLabel;
class QPushButton;
class QTableView;

namespace quorvin {

class Designer;

// The Services page's controls, by their design names, in the page's frame.
struct ServicesControls {
    // Where the frame stands on the window, in twips.
    static constexpr QRect FramePlace{0, 600, 9975, 4575};

    QGroupBox *frServ = nullptr;
    QLabel *lblServtit = nullptr;
    QTableView *msfgServ = nullptr;
    QPushButton *cmdRF = nullptr;
    QLabel *lblServInfo = nullptr;

    // Creates them with their designed names, captions, places and fonts.
    static ServicesControls design(Designer &d);
};

} // namespace quorvin
