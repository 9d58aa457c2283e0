// The decisions beside a screen reader, as tables.
#include "screen_reader/decisions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velira
{
namespace
{

constexpr KeyReceiver kWin = KeyReceiver::kWindow;
constexpr KeyReceiver kReader = KeyReceiver::kScreenReader;

// One key and, for a key that went to the screen reader, its answer.
struct Step {
	const char *what;
	GateKey key;
	KeyReceiver expected;
	bool consumed = false;
};

GateKey Press(uint32_t scan_code, bool device_owns = true)
{
	GateKey key;
	key.scan_code = scan_code;
	key.device_owns = device_owns;
	return key;
}
GateKey Release(uint32_t scan_code, bool device_owns = true)
{
	GateKey key = Press(scan_code, device_owns);
	key.press = false;
	return key;
}
GateKey Insert(bool press)
{
	GateKey key = press ? Press(118, false) : Release(118, false);
	key.reader_modifier = true;
	return key;
}
GateKey Escape(bool press)
{
	GateKey key = press ? Press(9) : Release(9);
	key.escape = true;
	return key;
}
GateKey Repeat(uint32_t scan_code, bool device_owns)
{
	GateKey key = Press(scan_code, device_owns);
	key.auto_repeat = true;
	return key;
}

GateKey RepeatRelease(uint32_t scan_code)
{
	GateKey key = Release(scan_code);
	key.auto_repeat = true;
	return key;
}

void Play(const std::vector<Step> &steps, KeyGate gate = KeyGate())
{
	for (const Step &step : steps) {
		SCOPED_TRACE(step.what);
		const KeyReceiver receiver = gate.Route(step.key);
		EXPECT_EQ(receiver, step.expected);
		if (receiver == kReader)
			gate.ReaderAnswered(step.key, step.consumed);
	}
}

TEST(KeyGate, RoutesEachKeyByTheKeysAndAnswersBeforeIt)
{
	constexpr uint32_t kQ = 24, kH = 43, kKeypadUp = 80;
	Play({
	    {"Q, the device's", Press(kQ), kWin},
	    {"its release", Release(kQ), kWin},
	    {"the keypad's review key", Press(kKeypadUp, false), kReader},
	    {"held: its repeats follow the press", Repeat(kKeypadUp, true), kReader},
	    {"and the releases between them", RepeatRelease(kKeypadUp), kReader},
	    {"which keep it held", Repeat(kKeypadUp, true), kReader},
	    {"its release", Release(kKeypadUp, true), kReader},
	    {"Insert", Insert(true), kReader, true},
	    {"H with Insert held: learn mode", Press(kH), kReader, true},
	    {"Insert let go", Insert(false), kReader, true},
	    {"H let go", Release(kH), kReader, true},
	    {"learn mode takes Q", Press(kQ), kReader, true},
	    {"and its release", Release(kQ), kReader, true},
	    {"Escape ends it", Escape(true), kReader, true},
	    {"its release", Escape(false), kReader, true},
	    {"Q is the device's again", Press(kQ), kWin},
	    {"a dialog opened before the release: it follows its press", Release(kQ, false), kWin},
	    {"a key the reader lets through", Press(kH, false), kReader, false},
	    {"its release while the device owns it", Release(kH, true), kReader},
	    {"a release whose press the gate never saw", Release(kQ, true), kWin},
	});
}

TEST(KeyGate, AHeldModifierIsForgottenWhenTheKeyboardLeaves)
{
	KeyGate gate;
	gate.Route(Insert(true));
	EXPECT_EQ(gate.Route(Press(24)), kReader) << "Q with Insert held";
	gate.Route(Release(24));
	gate.KeyboardLeft();
	EXPECT_EQ(gate.Route(Press(24)), kWin);
}

TEST(KeyGate, OnlyAPressItTookMakesTheScreenReaderTakeTheNextKeys)
{
	KeyGate gate;
	gate.ReaderAnswered(Insert(true), true);
	EXPECT_FALSE(gate.ReaderTakesKeys()) << "its modifier alone";
	gate.ReaderAnswered(Release(43), true);
	EXPECT_FALSE(gate.ReaderTakesKeys()) << "a release";
	gate.ReaderAnswered(Press(43), true);
	EXPECT_TRUE(gate.ReaderTakesKeys());
	gate.ReaderAnswered(Repeat(43, false), false);
	EXPECT_TRUE(gate.ReaderTakesKeys()) << "a repeated press";
	gate.ReaderAnswered(Press(43), false);
	EXPECT_FALSE(gate.ReaderTakesKeys()) << "let through";
	gate.Reset();
	EXPECT_EQ(gate.Route(Press(24)), kWin);
}

TEST(DeviceOwnsKey, TheDevicesKeysAndNoOthers)
{
	struct Row {
		const char *what;
		DeviceKeyFacts key;
		bool owned;
	};
	auto key = [](KeyKind kind) {
		DeviceKeyFacts facts;
		facts.device_has_keys = true;
		facts.kind = kind;
		return facts;
	};
	auto with = [](DeviceKeyFacts facts, bool DeviceKeyFacts::*fact) {
		facts.*fact = true;
		return facts;
	};
	DeviceKeyFacts elsewhere = key(KeyKind::kCursor);
	elsewhere.device_has_keys = false;
	const std::vector<Row> rows = {
	    {"Ctrl", key(KeyKind::kControl), true},
	    {"Shift", key(KeyKind::kShift), true},
	    {"Enter", key(KeyKind::kEnter), true},
	    {"Backspace", key(KeyKind::kBackspace), true},
	    {"Escape", key(KeyKind::kEscape), true},
	    {"the space bar", key(KeyKind::kSpace), true},
	    {"a cursor key", key(KeyKind::kCursor), true},
	    {"the keypad's cursor key", with(key(KeyKind::kCursor), &DeviceKeyFacts::keypad), false},
	    {"a letter", with(key(KeyKind::kOther), &DeviceKeyFacts::printable), true},
	    {"Ctrl with a letter", with(key(KeyKind::kOther), &DeviceKeyFacts::control), true},
	    {"F1, a keyboard command", with(key(KeyKind::kOther), &DeviceKeyFacts::menu_shortcut), true},
	    {"Tab, F5", key(KeyKind::kOther), false},
	    {"Alt with a letter",
	     with(with(key(KeyKind::kOther), &DeviceKeyFacts::printable), &DeviceKeyFacts::alt_or_meta),
	     false},
	    {"Alt with a cursor key", with(key(KeyKind::kCursor), &DeviceKeyFacts::alt_or_meta), false},
	    {"a menu or dialog in front", elsewhere, false},
	};
	for (const Row &row : rows)
		EXPECT_EQ(DeviceOwnsKey(row.key), row.owned) << row.what;
}

TEST(ServesScreenReader, TheSettingDecidesOrTheWatch)
{
	for (const bool running : {false, true}) {
		EXPECT_TRUE(ServesScreenReader(ScreenReaderMode::kAlways, running));
		EXPECT_FALSE(ServesScreenReader(ScreenReaderMode::kNever, running));
		EXPECT_EQ(ServesScreenReader(ScreenReaderMode::kAuto, running), running);
	}
}

} // namespace
} // namespace velira
