#pragma once
#include <QRect>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace quorvin {

class Designer;

// The Process Details page's controls, by their design names: the grid in the page's frame, the interval on
// the window itself.
struct ProcessesControls {
    // Where the frame stands on the window, in twips.
    static constexpr QRect FramePlace{120, 600, 9855, 4575};

    QGroupBox *frPD = nullptr;
    QLabel *lblpdTitle = nullptr;
    QTableView *msfg = nullptr;
    QCheckBox *chkname = nullptr;
    // On the window, shown only with the page.
    QLabel *lblProcint = nullptr;
    QLineEdit *txtupdt = nullptr;

    // Creates them with their designed names, captions, places, fonts and state.
    static ProcessesControls design(Designer &d);
};

} // namespace quorvin
