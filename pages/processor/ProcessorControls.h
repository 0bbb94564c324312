#pragma once
#include <QRect>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QTimer;

namespace quorvin {

class Designer;

// The Processor Utilization page's controls, by their design names: the load in the page's frame, the graph
// and its settings on the window itself.
struct ProcessorControls {
    // Where the frame stands on the window, in twips.
    static constexpr QRect FramePlace{480, 600, 2895, 3975};

    QGroupBox *frUtil = nullptr;
    QLabel *lblproctit = nullptr;
    QProgressBar *pbPer = nullptr;
    QLabel *lblPercent = nullptr;
    // On the window, shown only with the page.
    QLabel *lblGraphtit = nullptr;
    QLabel *lblGraph = nullptr;
    QLabel *lblParm1 = nullptr;
    QLineEdit *txtPoint = nullptr;
    QLabel *lblParm2 = nullptr;
    QLineEdit *txtTime = nullptr;
    QLabel *lblpct = nullptr;
    // Hides the graph's click read-out.
    QTimer *tmrpct = nullptr;

    // Creates them with their designed names, captions, places, fonts and state.
    static ProcessorControls design(Designer &d);
};

} // namespace quorvin
