#include "platform/qt/key_mapping.h"

#include "platform/cp1250.h"
#include "platform/virtual_keys.h"

#include <QGuiApplication>

namespace velira
{

namespace
{

// The main typing block by PC set-1 scan code (the same numbers as Linux
// evdev codes), as named on a US keyboard.
int VirtualKeyOfPosition(quint32 set1)
{
	if (set1 >= 0x02 && set1 <= 0x0A)
		return '1' + static_cast<int>(set1 - 0x02);
	static constexpr char kTopRow[] = "QWERTYUIOP";
	static constexpr char kHomeRow[] = "ASDFGHJKL";
	static constexpr char kBottomRow[] = "ZXCVBNM";
	if (set1 >= 0x10 && set1 <= 0x19)
		return kTopRow[set1 - 0x10];
	if (set1 >= 0x1E && set1 <= 0x26)
		return kHomeRow[set1 - 0x1E];
	if (set1 >= 0x2C && set1 <= 0x32)
		return kBottomRow[set1 - 0x2C];
	switch (set1) {
	case 0x0B:
		return '0';
	case 0x0C:
		return vk::kOemMinus;
	case 0x0D:
		return vk::kOemPlus;
	case 0x1A:
		return vk::kOem4;
	case 0x1B:
		return vk::kOem6;
	case 0x27:
		return vk::kOem1;
	case 0x28:
		return vk::kOem7;
	case 0x29:
		return vk::kOem3;
	case 0x2B:
		return vk::kOem5;
	case 0x33:
		return vk::kOemComma;
	case 0x34:
		return vk::kOemPeriod;
	case 0x35:
		return vk::kOem2;
	case 0x56:
		return vk::kOem102;
	default:
		return 0;
	}
}

int VirtualKeyOfPunctuation(int qt_key)
{
	switch (qt_key) {
	case Qt::Key_Semicolon:
	case Qt::Key_Colon:
		return vk::kOem1;
	case Qt::Key_Equal:
	case Qt::Key_Plus:
		return vk::kOemPlus;
	case Qt::Key_Comma:
	case Qt::Key_Less:
		return vk::kOemComma;
	case Qt::Key_Minus:
	case Qt::Key_Underscore:
		return vk::kOemMinus;
	case Qt::Key_Period:
	case Qt::Key_Greater:
		return vk::kOemPeriod;
	case Qt::Key_Slash:
	case Qt::Key_Question:
		return vk::kOem2;
	case Qt::Key_QuoteLeft:
	case Qt::Key_AsciiTilde:
		return vk::kOem3;
	case Qt::Key_BracketLeft:
	case Qt::Key_BraceLeft:
		return vk::kOem4;
	case Qt::Key_Backslash:
	case Qt::Key_Bar:
		return vk::kOem5;
	case Qt::Key_BracketRight:
	case Qt::Key_BraceRight:
		return vk::kOem6;
	case Qt::Key_Apostrophe:
	case Qt::Key_QuoteDbl:
		return vk::kOem7;
	default:
		return 0;
	}
}

int VirtualKeyOfKeypad(int qt_key)
{
	if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9)
		return vk::kNumpad0 + (qt_key - Qt::Key_0);
	switch (qt_key) {
	case Qt::Key_Asterisk:
		return vk::kMultiply;
	case Qt::Key_Plus:
		return vk::kAdd;
	case Qt::Key_Minus:
		return vk::kSubtract;
	case Qt::Key_Period:
	case Qt::Key_Comma:
		return vk::kDecimal;
	case Qt::Key_Slash:
		return vk::kDivide;
	default:
		return 0;
	}
}

int VirtualKeyOfQtKey(int qt_key, Qt::KeyboardModifiers modifiers, bool has_text)
{
	if (modifiers & Qt::KeypadModifier) {
		if (const int key = VirtualKeyOfKeypad(qt_key); key != 0)
			return key;
	}
	if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z)
		return vk::kA + (qt_key - Qt::Key_A);
	if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9)
		return vk::k0 + (qt_key - Qt::Key_0);
	if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24)
		return vk::kF1 + (qt_key - Qt::Key_F1);
	switch (qt_key) {
	case Qt::Key_Backspace:
		return vk::kBack;
	case Qt::Key_Tab:
	case Qt::Key_Backtab:
		return vk::kTab;
	case Qt::Key_Return:
	case Qt::Key_Enter:
		return vk::kReturn;
	case Qt::Key_Shift:
		return vk::kShift;
	case Qt::Key_Control:
		return vk::kControl;
	case Qt::Key_Alt:
	case Qt::Key_AltGr:
		return vk::kMenu;
	case Qt::Key_Pause:
		return vk::kPause;
	case Qt::Key_CapsLock:
		return vk::kCapital;
	case Qt::Key_Escape:
		return vk::kEscape;
	case Qt::Key_Space:
		return vk::kSpace;
	case Qt::Key_PageUp:
		return vk::kPrior;
	case Qt::Key_PageDown:
		return vk::kNext;
	case Qt::Key_End:
		return vk::kEnd;
	case Qt::Key_Home:
		return vk::kHome;
	case Qt::Key_Left:
		return vk::kLeft;
	case Qt::Key_Up:
		return vk::kUp;
	case Qt::Key_Right:
		return vk::kRight;
	case Qt::Key_Down:
		return vk::kDown;
	case Qt::Key_Print:
		return vk::kSnapshot;
	case Qt::Key_Insert:
		return vk::kInsert;
	case Qt::Key_Delete:
		return vk::kDelete;
	case Qt::Key_Meta:
	case Qt::Key_Super_L:
	case Qt::Key_Super_R:
		return vk::kLWin;
	case Qt::Key_Menu:
		return vk::kApps;
	case Qt::Key_NumLock:
		return vk::kNumLock;
	case Qt::Key_ScrollLock:
		return vk::kScroll;
	default:
		break;
	}
	if (const int key = VirtualKeyOfPunctuation(qt_key); key != 0)
		return key;
	// A character key of a national layout ("ě", a dead accent): a code of
	// its own is not needed, only that it counts as a character key.
	return has_text || (qt_key >= Qt::Key_Dead_Grave && qt_key <= Qt::Key_Dead_Longsolidusoverlay)
	           ? vk::kOemOther
	           : 0;
}

} // namespace

ScanCodeScheme CurrentScanCodeScheme()
{
	const QString platform = QGuiApplication::platformName();
	if (platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland")))
		return ScanCodeScheme::Xkb;
	if (platform == QLatin1String("windows"))
		return ScanCodeScheme::PcSet1;
	return ScanCodeScheme::None;
}

int VirtualKeyOf(int qt_key, Qt::KeyboardModifiers modifiers, bool has_text, quint32 native_scan_code,
                 ScanCodeScheme scheme)
{
	quint32 set1 = 0;
	if (scheme == ScanCodeScheme::Xkb && native_scan_code > 8)
		set1 = native_scan_code - 8;
	else if (scheme == ScanCodeScheme::PcSet1)
		set1 = native_scan_code;
	// Keypad keys share no scan code with the main block, but guard against
	// a platform that reports one anyway.
	if (set1 != 0 && !(modifiers & Qt::KeypadModifier)) {
		if (const int key = VirtualKeyOfPosition(set1); key != 0)
			return key;
	}
	return VirtualKeyOfQtKey(qt_key, modifiers, has_text);
}

int VirtualKeyOf(const QKeyEvent &event)
{
	return VirtualKeyOf(event.key(), event.modifiers(), !event.text().isEmpty(), event.nativeScanCode(),
	                    CurrentScanCodeScheme());
}

ShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers)
{
	ShiftState state;
	state.shift = modifiers.testFlag(Qt::ShiftModifier);
	state.alt = modifiers.testFlag(Qt::AltModifier);
	state.ctrl = modifiers.testFlag(Qt::ControlModifier);
	return state;
}

std::optional<char> TypedCharacter(const QKeyEvent &event)
{
	const Qt::KeyboardModifiers modifiers = event.modifiers();
	const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
	const bool alt = modifiers.testFlag(Qt::AltModifier);
	// Alt with a key is a menu key, not a character (AltGr, which Windows
	// reports as Ctrl with Alt, types one).
	if (alt && !ctrl)
		return std::nullopt;
	const int key = event.key();
	switch (key) {
	case Qt::Key_Return:
	case Qt::Key_Enter:
		return ctrl ? '\n' : '\r';
	case Qt::Key_Backspace:
		return ctrl ? '\x7F' : '\b';
	case Qt::Key_Escape:
		return '\x1B';
	case Qt::Key_Tab:
	case Qt::Key_Backtab:
	case Qt::Key_Delete:
		return std::nullopt;
	default:
		break;
	}
	if (ctrl && !alt) {
		if (key >= Qt::Key_A && key <= Qt::Key_Z)
			return static_cast<char>(key - Qt::Key_A + 1);
		return std::nullopt;
	}
	const QString text = event.text();
	if (text.isEmpty())
		return std::nullopt;
	const char32_t code_point = text.toUcs4().value(0);
	if (code_point < 0x20 || code_point == 0x7F)
		return std::nullopt;
	const unsigned char byte = Cp1250FromCodePoint(code_point);
	return static_cast<char>(byte != 0 ? byte : '?');
}

} // namespace velira
