#include "screen_reader/decisions.h"

namespace velira
{

KeyReceiver KeyGate::Route(const GateKey &key)
{
	if (!key.press) {
		const auto press = pressed_.find(key.scan_code);
		// Between the repeated presses of a held key: the key is still held.
		if (key.auto_repeat && press != pressed_.end())
			return press->second;
		reader_modifiers_held_.erase(key.scan_code);
		if (press != pressed_.end()) {
			const KeyReceiver receiver = press->second;
			pressed_.erase(press);
			return receiver;
		}
		// Pressed before the window had the keyboard.
		return key.device_owns ? KeyReceiver::kWindow : KeyReceiver::kScreenReader;
	}
	if (key.auto_repeat) {
		const auto press = pressed_.find(key.scan_code);
		if (press != pressed_.end())
			return press->second;
	}
	KeyReceiver receiver = KeyReceiver::kScreenReader;
	if (key.reader_modifier)
		reader_modifiers_held_.insert(key.scan_code);
	else if (reader_modifiers_held_.empty() && !reader_takes_keys_ && key.device_owns)
		receiver = KeyReceiver::kWindow;
	pressed_[key.scan_code] = receiver;
	return receiver;
}

void KeyGate::ReaderAnswered(const GateKey &key, bool consumed)
{
	// Its modifier alone says nothing about what it does with the next keys.
	if (!key.press || key.auto_repeat || key.reader_modifier)
		return;
	reader_takes_keys_ = consumed && !key.escape;
}

void KeyGate::KeyboardLeft()
{
	reader_modifiers_held_.clear();
	pressed_.clear();
}

bool DeviceOwnsKey(const DeviceKeyFacts &key)
{
	if (!key.device_has_keys || key.alt_or_meta)
		return false;
	switch (key.kind) {
	case KeyKind::kControl:
	case KeyKind::kShift:
	case KeyKind::kEnter:
	case KeyKind::kBackspace:
	case KeyKind::kEscape:
	case KeyKind::kSpace:
		return true;
	case KeyKind::kCursor:
		return !key.keypad;
	case KeyKind::kOther:
		break;
	}
	return key.control || key.menu_shortcut || key.printable;
}

bool ServesScreenReader(ScreenReaderMode mode, bool reader_running)
{
	switch (mode) {
	case ScreenReaderMode::kAlways:
		return true;
	case ScreenReaderMode::kNever:
		return false;
	case ScreenReaderMode::kAuto:
		break;
	}
	return reader_running;
}

} // namespace velira
