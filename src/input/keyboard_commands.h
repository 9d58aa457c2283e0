#pragma once

#include <string>

// The keyboard commands of the main window's menus: braille keyboard on or
// off, automatic keyboard switching, keyboard echo, reading the status bar.
namespace velira
{

// What the commands need of the window: the check marks that mirror the
// settings and the status bar.
class KeyboardMenu
{
public:
	virtual ~KeyboardMenu() = default;
	virtual bool BrailleChecked() const = 0;
	virtual void SetBrailleChecked(bool checked) = 0;
	virtual bool AutoChangeChecked() const = 0;
	virtual void SetAutoChangeChecked(bool checked) = 0;
	virtual std::string StatusText() const = 0;
	virtual void SetStatusText(const std::string &text) = 0;
};

// The status bar: keyboard type, " - ", echo mode name ("Classic - Chars").
std::string StatusBarText();
void UpdateStatusBar(KeyboardMenu &menu);

// Braille keyboard on or off, with a rising or falling pair of tones and the
// new type spoken; switching it on clears automatic switching.
void BrailleKeyboardCommand(KeyboardMenu &menu);
// Automatic keyboard switching on or off.
void AutoChangeCommand(KeyboardMenu &menu);
// The next echo mode (sounds, characters, words), spoken.
void KeyboardEchoCommand(KeyboardMenu &menu);
// Speaks the status bar.
void ReadStatusBarCommand(const KeyboardMenu &menu);

} // namespace velira
