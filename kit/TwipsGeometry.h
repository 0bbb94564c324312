#pragma once
#include <QRect>

class QWidget;

namespace quorvin {

class Twips;

// A control's place in twips, as the design and the code state it; the pixels follow from it.
QRect twipsGeometry(const QWidget *control);
void setTwipsGeometry(QWidget *control, QRect twipsRect, const Twips &twips);

} // namespace quorvin
