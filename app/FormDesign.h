#pragma once
#include "kit/Controls.h"

class QWidget;

namespace quorvin {

class Twips;

// Creates the controls on the form with their designed names, captions, geometry, fonts, colours and state.
Controls designForm(QWidget *form, const Twips &twips);

} // namespace quorvin
