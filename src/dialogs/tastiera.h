// Keyboard use of buttons: Enter (and the keypad's Enter) on a focused push
// or tool button presses it, as the space bar does, in any window.
#pragma once

class QWidget;

namespace corvex::qt {

// Makes Enter press every push and tool button under root (root included)
// that exists now; check boxes and checkable buttons keep their own keys.
void invioPremeTasti(QWidget* root);

}  // namespace corvex::qt
