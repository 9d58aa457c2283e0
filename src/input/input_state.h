#pragma once

// The input subsystem's state as a whole.
namespace velira
{

// As at start-up: empty braille table and keyboard file, no file names, no
// prefix in force, no key or chord pending in the main window or the
// data-entry dialog, and the braille output's setting, focus and content as
// before the main window was created (its display stays attached).
void ResetInputState();

} // namespace velira
