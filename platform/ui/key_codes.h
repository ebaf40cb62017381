#pragma once

// Internal to platform/ui: toolkit keys to virtual-key codes.

// nQtKey is a Qt::Key value; bKeypad: the key is on the numeric keypad.
unsigned VirtualKeyFromQtKey(int nQtKey, bool bKeypad);
