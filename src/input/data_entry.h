#pragma once

#include "input/key_handling.h"

#include <cstddef>
#include <string>

// The data-entry dialog's key rules: a one-line field that makes the typing
// audible (echo waves, spoken characters or words), reads the caret's moves
// and takes braille chords like the main window. All text is code page 1250;
// keys are Windows virtual-key codes.
namespace velira
{

// The braille prefix in force after the last chord committed in the dialog;
// emptied only when the dialog is created, so it carries over between
// showings.
extern std::string savedPrefix;
// The translation of the current chord.
extern std::string pendingText;
// A shifted dead key was pressed: the next key is echoed with a caron.
extern bool deadKeyPending;
// The caret has already reached an end of the field once.
extern bool inputEdgeAnnounced;
// Focus entering a control is spoken (not the first focus of a showing).
extern bool announceFocus;

// The dead key of the Czech and Slovak layouts (caron with Shift).
constexpr int kDeadKey = 0xDF;
// A key that never types anything for the echo.
constexpr int kSilentKey = 0xBF;

// What the rules need of the dialog and of the main window.
class DataEntryField
{
public:
	virtual ~DataEntryField() = default;
	virtual std::string Text() const = 0;
	// Characters before the caret.
	virtual size_t Caret() const = 0;
	// Inserts at the caret and leaves the caret at `new_caret`.
	virtual void Insert(const std::string &text, size_t new_caret) = 0;
	// What the key types under the keyboard state of the key being handled:
	// empty for none and for a dead key.
	virtual std::string TypedText(int virtual_key) const = 0;
	virtual void KeyboardEcho() = 0;  // the main window's echo command
	virtual void ReadStatusBar() = 0; // the main window's status-bar command
	virtual void OpenReview() = 0;
};

// What VkToChar gives: the typed text, except that key BF types nothing.
std::string VkToChar(const DataEntryField &field, int virtual_key);
// The caron letter of the first character of `typed` (c -> č, Z -> Ž, ...),
// that character itself when it has none, empty for empty.
std::string CaronOf(const std::string &typed);
std::string ComposeCaron(const DataEntryField &field, int virtual_key);

// The echo wave for the text a key types: capital, small letter, digit row,
// anything else.
std::string EchoWaveName(const std::string &typed, int virtual_key);

// The word before the caret (echo by words): from the last space before the
// caret's last character (that space included), or from the start, up to
// the caret. Empty at the start of the field.
std::string WordBeforeCaret(const std::string &text, size_t caret);
// The word at the caret: from the character right of the caret up to the
// next carriage return, space or comma, or the end.
std::string WordAtCaret(const std::string &text, size_t caret);

// The field's events.
void DataEntryKeyDown(DataEntryField &field, int virtual_key, ShiftState shift);
// A typed character in the braille mode; true when the field must not
// receive it. Nothing happens outside the braille mode.
bool DataEntryKeyPress(DataEntryField &field, char key);
void DataEntryKeyUp(DataEntryField &field, int virtual_key, ShiftState shift);
// Focus enters the field.
void DataEntryFieldEnter(const DataEntryField &field);
// Focus enters a button captioned `caption` (without the accelerator mark).
void DataEntryButtonEnter(const std::string &caption);
// The dialog closes.
void DataEntryClose();
// The dialog is created.
void DataEntryCreate();
// Writes the memory image and ends the process (the exit button, Alt+F4).
// When the image cannot be written its error is raised and the process
// goes on, so that the memory is not lost without a word.
void SaveAndEndProcess();

} // namespace velira
