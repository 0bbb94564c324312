#pragma once
#include <QIcon>

namespace quorvin {

// The window's icon: a small load curve, at 16 and 32 pixels.
QIcon appIcon();

} // namespace quorvin
