#include "input/key_handling.h"

#include "input/braille_tables.h"
#include "platform/key_state.h"
#include "platform/services.h"
#include "platform/timer.h"
#include "platform/virtual_keys.h"
#include "runtime/velcommands.h"
#include "settings/shared_settings.h"
#include "shell/shutdown.h"
#include "speech/speech_output.h"

#include <array>

namespace velira
{

std::string pendingKey;
std::string brailleChord;

namespace
{

// The dot keys in dot order: F D S J K L are dots 1 to 6.
constexpr std::array<int, 6> kDotKeys = {vk::kF, vk::kD, vk::kS, vk::kJ, vk::kK, vk::kL};

bool IsDown(int key)
{
	return services().Keys().IsKeyDown(key);
}

void Deliver(int code)
{
	keyBuffer = std::string(1, static_cast<char>(code));
}

} // namespace

int CursorCode(bool shift)
{
	int code = 0;
	if (IsDown(vk::kUp))
		code |= 0x01;
	if (IsDown(vk::kDown))
		code |= 0x02;
	if (IsDown(vk::kLeft))
		code |= 0x04;
	if (IsDown(vk::kRight))
		code |= 0x08;
	if (code == 0)
		return 0;
	code |= 0x80;
	if (shift)
		code += 0x10;
	if (IsDown(vk::kSpace))
		code += 0x20;
	return code;
}

void FormKeyDown(int key, ShiftState shift)
{
	if (brailleKeyboard)
		brailleChord.clear();
	StopSpeech();
	if (soundWaiting) {
		// The program's tone statement is waiting: cut it short.
		soundWaiting = false;
		services().MainTimer().Stop();
	}

	switch (key) {
	case vk::kBack:
	case vk::kF6:
		Deliver(shift.shift ? 0x19 : 0x08);
		break;
	case vk::kReturn:
	case vk::kF8:
		Deliver(0x0D);
		break;
	case vk::kF7:
		Deliver(0x07);
		break;
	case vk::kEscape:
		Deliver(0x1B);
		break;
	case vk::kShift:
	case vk::kControl:
	case vk::kMenu:
		keyBuffer.clear();
		break;
	case vk::kLeft:
	case vk::kUp:
	case vk::kRight:
	case vk::kDown:
		// Every cursor key held counts, not only this one. A key-state table
		// that lost the key leaves the slot alone.
		if (const int code = CursorCode(shift.shift); code != 0)
			Deliver(code);
		break;
	default:
		break;
	}

	if (key == vk::kF4 && shift.alt)
		SaveAndTerminate();

	if (shift.ctrl && key == vk::kLeft)
		Deliver(0x85);
	else if (shift.ctrl && key == vk::kRight)
		Deliver(0x89);
}

void ReadChord()
{
	brailleChord.clear();
	std::string dots;
	for (size_t i = 0; i < kDotKeys.size(); ++i) {
		if (IsDown(kDotKeys[i]))
			dots += static_cast<char>('1' + i);
	}
	if (!dots.empty()) {
		brailleChord = dots;
		return;
	}
	if (IsDown(vk::kSpace))
		brailleChord.assign(1, ' ');
	activePrefix.clear();
}

void FormKeyPress(char key)
{
	pendingKey = std::string(1, key);
	if (!brailleKeyboard)
		return;
	ReadChord();
}

void FormKeyUp(int key, ShiftState)
{
	// A modifier let go before the key it modifies is no key of the device:
	// its release must not take the character or the chord of the key still
	// held. On the Czech and Slovak layouts the digits need Shift, and many
	// let go of Shift first.
	if (key == vk::kShift || key == vk::kControl || key == vk::kMenu)
		return;
	if (brailleKeyboard) {
		pendingKey = TranslateChord(brailleChord);
		brailleChord.clear();
	}
	if (key >= 32)
		keyBuffer = pendingKey;
	pendingKey.clear();
}

} // namespace velira
