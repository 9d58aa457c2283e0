#pragma once

#include <cstdint>
#include <map>
#include <set>

namespace velira
{

// Who gets a key beside a screen reader: the shell's window at once, or the
// screen reader's key listeners first, which take it or let it through to
// the window.
enum class KeyReceiver { kWindow, kScreenReader };

// A key as the gate sees it: the facts it decides on, gathered by the
// windows.
struct GateKey {
	bool press = true;
	bool auto_repeat = false;
	// The key's place on the keyboard (an X11 key code): a press and its
	// release share it, whatever the modifiers did in between.
	uint32_t scan_code = 0;
	// The screen reader's own modifier: Insert, the keypad's Insert, Caps Lock.
	bool reader_modifier = false;
	bool escape = false;
	// The device owns the key now (`DeviceOwnsKey`), beside a screen reader.
	bool device_owns = false;
};

// Decides where each key goes, as a pure function of the keys before it and
// the screen reader's answers:
//   - the screen reader's modifier, and every key pressed while it is held,
//     go to the screen reader;
//   - after the screen reader took a key (its learn mode, a command that
//     waits for a second key) the next keys go to it as well, until it lets
//     one through or takes an Escape;
//   - else the keys the device owns go to the window, the rest to the reader;
//   - a release, and a held key's repeated presses, go where its press went,
//     so a press and its release never part, even when a dialog opened in
//     between.
// The windows ask the screen reader about one key at a time and decide the
// next one once it has answered, so the answer is known when it counts.
class KeyGate
{
public:
	KeyReceiver Route(const GateKey &key);
	// The screen reader's answer for a key that went to it: it took the key
	// (`consumed`) or let it through.
	void ReaderAnswered(const GateKey &key, bool consumed);
	// The shell's windows lost the keyboard: whatever was held may be
	// released where the gate cannot see it (Insert released in the screen
	// reader's own preferences), so nothing counts as held any more.
	void KeyboardLeft();
	void Reset() { *this = KeyGate(); }

	bool ReaderTakesKeys() const { return reader_takes_keys_; }

private:
	std::set<uint32_t> reader_modifiers_held_;
	std::map<uint32_t, KeyReceiver> pressed_;
	bool reader_takes_keys_ = false;
};

// The keys of the main window as the device sees them.
enum class KeyKind { kControl, kShift, kEnter, kBackspace, kEscape, kSpace, kCursor, kOther };

struct DeviceKeyFacts {
	// The device has the keyboard: the main window with no menu, dialog or
	// other window in front, or the data-entry field.
	bool device_has_keys = false;
	KeyKind kind = KeyKind::kOther;
	bool control = false;
	bool alt_or_meta = false;
	bool keypad = false;
	// A keyboard command of the main window's menus (F1, F2, Ctrl with a letter).
	bool menu_shortcut = false;
	// The key types a printable character.
	bool printable = false;
};

// Whether the device owns a key beside a screen reader, in the main window
// and in the data-entry field, where the shell echoes and reads what is
// typed by its own echo modes: the typed characters
// and the braille keys with the space bar, the cursor keys, Enter,
// Backspace, Escape, the keyboard commands' keys and Ctrl and Shift
// themselves; not Alt or Meta with anything (the menus, the desktop), nor
// the keypad's cursor keys (the screen reader's review keys).
bool DeviceOwnsKey(const DeviceKeyFacts &key);

// The `[voice] screenreader` setting.
enum class ScreenReaderMode { kAuto, kAlways, kNever };

// Whether the shell serves a screen reader: keeps the device's keys and its
// screen's text events from it and leaves the dialogs to it. `always` and
// `never` decide alone; `auto` follows the watch of the desktop.
bool ServesScreenReader(ScreenReaderMode mode, bool reader_running);

} // namespace velira
