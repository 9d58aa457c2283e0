#pragma once

#include "platform/key_state.h"

#include <QKeyEvent>

#include <optional>

// Qt key events in the terms of the key rules: virtual-key codes, the
// modifier set and the typed character (code page 1250).
namespace velira
{

// How the platform numbers the physical keys in QKeyEvent::nativeScanCode.
enum class ScanCodeScheme {
	None,  // not known (offscreen, tests): keys are named by their Qt key
	Xkb,   // X11 and Wayland: evdev code + 8
	PcSet1 // Windows: PC scan code set 1
};

ScanCodeScheme CurrentScanCodeScheme();

// The virtual-key code of a key. Keys of the main typing block are named by
// their place on a US keyboard when the scan code tells it, so that the dot
// keys F D S J K L are the home-row keys under any layout; other keys, and
// every key when the scheme is unknown, by their Qt key. 0 for a key that has
// no code.
int VirtualKeyOf(int qt_key, Qt::KeyboardModifiers modifiers, bool has_text, quint32 native_scan_code,
                 ScanCodeScheme scheme);
int VirtualKeyOf(const QKeyEvent &event);

ShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers);

// The character a key press types, as a Windows keyboard gives it: Enter,
// Backspace and Escape their control codes, Ctrl with a letter its control
// code; nothing for keys without a character and for Alt combinations.
std::optional<char> TypedCharacter(const QKeyEvent &event);

} // namespace velira
