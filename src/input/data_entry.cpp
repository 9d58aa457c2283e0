#include "input/data_entry.h"

#include "input/braille_tables.h"
#include "platform/cp1250.h"
#include "platform/desktop.h"
#include "platform/services.h"
#include "platform/virtual_keys.h"
#include "runtime/velcommands.h"
#include "settings/localized_texts.h"
#include "settings/shared_settings.h"
#include "shell/memory_image.h"
#include "sound/sound_bank.h"
#include "speech/speech_output.h"

#include <algorithm>
#include <array>
#include <utility>

namespace velira
{

std::string savedPrefix;
std::string pendingText;
bool deadKeyPending = false;
bool inputEdgeAnnounced = false;
bool announceFocus = false;

namespace
{

constexpr int kEchoSounds = 0;
constexpr int kEchoCharacters = 1;
constexpr int kEchoWords = 2;

bool IsWordSeparator(char c)
{
	return c == '\r' || c == ' ' || c == ',';
}

// The letters that take a caron, and their caron forms.
const std::array<std::pair<char, std::string>, 16> &CaronLetters()
{
	static const std::array<std::pair<char, std::string>, 16> letters = {{
	    {'c', Cp1250FromUtf8("č")},
	    {'d', Cp1250FromUtf8("ď")},
	    {'l', Cp1250FromUtf8("ľ")},
	    {'n', Cp1250FromUtf8("ň")},
	    {'r', Cp1250FromUtf8("ř")},
	    {'s', Cp1250FromUtf8("š")},
	    {'t', Cp1250FromUtf8("ť")},
	    {'z', Cp1250FromUtf8("ž")},
	    {'C', Cp1250FromUtf8("Č")},
	    {'D', Cp1250FromUtf8("Ď")},
	    {'L', Cp1250FromUtf8("Ľ")},
	    {'N', Cp1250FromUtf8("Ň")},
	    {'R', Cp1250FromUtf8("Ř")},
	    {'S', Cp1250FromUtf8("Š")},
	    {'T', Cp1250FromUtf8("Ť")},
	    {'Z', Cp1250FromUtf8("Ž")},
	}};
	return letters;
}

std::string CharacterAt(const std::string &text, size_t index)
{
	return index < text.size() ? text.substr(index, 1) : std::string();
}

void SpeakWordIfAny(const std::string &word)
{
	if (!word.empty())
		SpeakAndWait(word);
}

void PlayEchoWave(const std::string &typed, int virtual_key)
{
	// Played to its end at the volume it has, whatever the device sounds.
	PlayWave(FindWave(EchoWaveName(typed, virtual_key)), true);
}

// The echo of a key down outside the braille mode.
void EchoKey(DataEntryField &field, int virtual_key, ShiftState shift)
{
	if (echoMode == kEchoWords) {
		if (virtual_key == vk::kSpace)
			SpeakWordIfAny(WordBeforeCaret(field.Text(), field.Caret()));
		return;
	}
	if (echoMode != kEchoSounds && echoMode != kEchoCharacters)
		return;
	if (virtual_key == vk::kShift)
		return;
	// The dead key arms the caron only with Shift; unshifted it merely
	// cancels a pending one. In the character mode key BF does the same.
	if (virtual_key == kDeadKey || (echoMode == kEchoCharacters && virtual_key == kSilentKey)) {
		deadKeyPending = shift.shift;
		return;
	}
	std::string typed;
	if (deadKeyPending) {
		deadKeyPending = false;
		typed = ComposeCaron(field, virtual_key);
	} else {
		typed = VkToChar(field, virtual_key);
	}
	if (echoMode == kEchoSounds) {
		if (!typed.empty())
			PlayEchoWave(typed, virtual_key);
	} else {
		SpeakCharacter(typed);
	}
}

void ReadLeft(const DataEntryField &field, bool ctrl)
{
	const std::string text = field.Text();
	const size_t caret = field.Caret();
	if (text.empty())
		inputEdgeAnnounced = true;
	else if (ctrl)
		SpeakWordIfAny(WordAtCaret(text, caret));
	else
		SpeakCharacter(CharacterAt(text, caret));
	// The Left that reaches the start is silent about the edge; the next
	// one beeps.
	if (caret != 0)
		inputEdgeAnnounced = false;
	else if (!inputEdgeAnnounced)
		inputEdgeAnnounced = true;
	else
		BeepSound();
}

void ReadRight(const DataEntryField &field, bool ctrl)
{
	const std::string text = field.Text();
	const size_t caret = field.Caret();
	if (caret < text.size()) {
		if (ctrl) {
			SpeakWordIfAny(WordAtCaret(text, caret));
		} else {
			inputEdgeAnnounced = false;
			SpeakCharacter(CharacterAt(text, caret));
		}
		return;
	}
	// The press that reaches the end clicks; every further one clicks and
	// beeps.
	ClickSound(2);
	if (!inputEdgeAnnounced)
		inputEdgeAnnounced = true;
	else
		BeepSound();
}

} // namespace

std::string VkToChar(const DataEntryField &field, int virtual_key)
{
	if (virtual_key == kSilentKey)
		return {};
	return field.TypedText(virtual_key);
}

std::string CaronOf(const std::string &typed)
{
	if (typed.empty())
		return {};
	for (const auto &[plain, caron] : CaronLetters()) {
		if (typed[0] == plain)
			return caron;
	}
	return typed.substr(0, 1);
}

std::string ComposeCaron(const DataEntryField &field, int virtual_key)
{
	return CaronOf(VkToChar(field, virtual_key));
}

std::string EchoWaveName(const std::string &typed, int virtual_key)
{
	const auto first = static_cast<uint8_t>(typed.empty() ? 0 : typed[0]);
	// The letter tests come first: the digit-row keys of a national layout
	// type letters.
	if (IsUpperLetter(first, kCp1250Row))
		return "ecapital";
	if (IsLowerLetter(first, kCp1250Row))
		return "eletter";
	if (virtual_key >= '0' && virtual_key <= '9')
		return "enumber";
	return "esign";
}

std::string WordBeforeCaret(const std::string &text, size_t caret)
{
	const size_t end = std::min(caret, text.size());
	if (end == 0)
		return {};
	// The last space among the characters before the caret's last one; the
	// word keeps it.
	const size_t space = end >= 2 ? text.rfind(' ', end - 2) : std::string::npos;
	const size_t start = space == std::string::npos ? 0 : space;
	return text.substr(start, end - start);
}

std::string WordAtCaret(const std::string &text, size_t caret)
{
	std::string word;
	for (size_t i = caret; i < text.size() && !IsWordSeparator(text[i]); ++i)
		word += text[i];
	return word;
}

void DataEntryKeyDown(DataEntryField &field, int virtual_key, ShiftState shift)
{
	StopSpeech();
	const std::string text = field.Text();
	const size_t caret = field.Caret();
	if (virtual_key == vk::kF1) {
		field.KeyboardEcho();
	} else if (virtual_key == vk::kF2) {
		field.ReadStatusBar();
	} else if (virtual_key == vk::kBack) {
		ClickSound(2);
		if (caret > 0)
			SpeakCharacter(CharacterAt(text, caret - 1));
		else
			BeepSound();
	} else if (virtual_key == vk::kDelete) {
		ClickSound(2);
		if (caret < text.size())
			SpeakCharacter(CharacterAt(text, caret));
		else
			BeepSound();
	} else if (virtual_key == vk::kUp && shift.alt && !shift.shift) {
		SpeakAndWait(text.empty() ? LocalizedText(languageBase, kTextEmptyLine) : text);
	} else if ((virtual_key == vk::kUp || virtual_key == vk::kDown) && !shift.alt) {
		field.OpenReview();
	} else if (!brailleKeyboard) {
		EchoKey(field, virtual_key, shift);
	}
	if (virtual_key == vk::kF4 && shift.alt)
		SaveAndEndProcess();
}

bool DataEntryKeyPress(DataEntryField &field, char key)
{
	if (!brailleKeyboard)
		return false;
	pendingText.clear();
	brailleChord.clear();
	const bool swallowed = static_cast<uint8_t>(key) >= 32;
	ReadChord();
	// This translation only echoes: savedPrefix keeps the prefix, so a
	// non-chord key does not end it here.
	activePrefix = savedPrefix;
	pendingText = TranslateChord(brailleChord);
	if (pendingText.empty())
		return swallowed;
	if (echoMode == kEchoSounds)
		ClickSound(1);
	else if (echoMode == kEchoCharacters)
		SpeakCharacter(pendingText.substr(0, 1));
	else if (echoMode == kEchoWords && brailleChord == " ")
		SpeakWordIfAny(WordBeforeCaret(field.Text(), field.Caret()));
	return swallowed;
}

void DataEntryKeyUp(DataEntryField &field, int virtual_key, ShiftState shift)
{
	if (brailleKeyboard) {
		activePrefix = savedPrefix;
		pendingText = TranslateChord(brailleChord);
		savedPrefix = activePrefix;
		brailleChord.clear();
		if (!pendingText.empty()) {
			const size_t caret = field.Caret();
			// In the middle of the text the caret moves one place, as on
			// the device, whatever the length of the inserted text.
			const bool at_end = caret >= field.Text().size();
			field.Insert(pendingText, at_end ? caret + pendingText.size() : caret + 1);
		}
		pendingText.clear();
	}
	if (virtual_key == vk::kLeft) {
		ReadLeft(field, shift.ctrl);
	} else if (virtual_key == vk::kRight) {
		ReadRight(field, shift.ctrl);
	} else if (virtual_key == vk::kHome) {
		const std::string text = field.Text();
		if (!text.empty())
			SpeakCharacter(text.substr(0, 1));
	} else if (virtual_key == vk::kEnd) {
		ClickSound(2);
		BeepSound();
	}
}

void DataEntryFieldEnter(const DataEntryField &field)
{
	activePrefix.clear();
	if (!announceFocus) {
		// The first focus of a showing is silent.
		announceFocus = true;
		return;
	}
	StopSpeech();
	const std::string text = field.Text();
	SpeakAndWait(text.empty() ? LocalizedText(languageBase, kTextEmptyLine) : text);
}

void DataEntryButtonEnter(const std::string &caption)
{
	StopSpeech();
	announceFocus = true;
	SpeakAndWait(caption);
}

void DataEntryClose()
{
	announceFocus = false;
	activePrefix.clear();
}

void DataEntryCreate()
{
	savedPrefix.clear();
}

void SaveAndEndProcess()
{
	// No settings are written and no window is closed first.
	SaveMemoryImage();
	ShutDownSpeech();
	services().DesktopService().TerminateProcess(0);
}

} // namespace velira
