#pragma once

#include <Qt>

namespace zar {

// The Windows virtual-key code of a key, as programs read it from the key
// cell: letters 65..90 whatever the shift state, digits 48..57, Enter 13,
// Space 32, Backspace 8, Escape 27, arrows 37..40, F1 112 and on, keypad
// keys 96..111, punctuation as on a US keyboard. 0 for a key without one.
int VirtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);

}  // namespace zar
