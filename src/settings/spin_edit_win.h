#pragma once
// A right-aligned edit with up and down arrow buttons at its right end, for
// a whole number in a range (the interval field). It accepts only digits,
// signs, the decimal separator and control keys other than Enter (others beep),
// steps with the arrows and the Up/Down keys (repeating after 400 ms, then
// every 100 ms while a button is held), and pulls a number outside the range
// to the nearer bound when it loses the focus.
#include <windows.h>

#include "settings/spin_rules.h"

namespace vemlo {

// Creates the control: an "Edit" window (so it is persisted like the other
// edits) with the arrow buttons as its own child.
HWND CreateSpinEdit(HWND parent, int id, RECT bounds, SpinRange range, int maxLength, HFONT font);

// Pressing an arrow button, as a click on it does (tests and keys use it).
void SpinEditStep(HWND edit, long delta);

}  // namespace vemlo
