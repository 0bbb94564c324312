#pragma once
#include "kit/Designer.h"

class QCheckBox;
class QLineEdit;
class QTabBar;
class QTimer;
class QWidget;

namespace quorvin {

class Twips;

// The window's own controls, by their design names: the tab strip, the bottom strip and the poll. Each page
// designs its own.
struct FormControls {
    QTabBar *tbs = nullptr;
    // Bottom strip, always visible.
    QCheckBox *chkRealTime = nullptr;
    QLineEdit *lbl1 = nullptr;
    QLineEdit *txtComp = nullptr;
    QTimer *tmr1 = nullptr;
};

// Gives the form its name, title, font and size, and the designer that places every control on it.
Designer designForm(QWidget *form, const Twips &twips);
// The tab strip and the poll, before the pages; the bottom strip after them.
FormControls designTabStripAndPoll(Designer &d);
void designBottomStrip(Designer &d, FormControls &c);

} // namespace quorvin
