// Moves the focus on from a box once it holds its full number of typed characters (date and
// phone parts), and lets the Tab that a habitual typist presses next confirm that move instead
// of skipping the box the focus has just reached.
#pragma once

class QLineEdit;

namespace pyxa {

void AdvanceAfter(QLineEdit* from, int length, QLineEdit* to);

}  // namespace pyxa
