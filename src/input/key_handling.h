#pragma once

#include "platform/key_state.h"

#include <string>

// The main window's key rules: the device's keyboard on a personal computer.
// Keys are Windows virtual-key codes (platform/virtual_keys.h); whether a key is
// held comes from services().keys, as of the key event being handled.
namespace velira
{

// The text that the next key release delivers; empty between keys.
extern std::string pendingKey;
// The dot pattern of the dot keys held at the last key press in the braille
// mode: dot numbers in ascending order, a single space for the braille space,
// or empty.
extern std::string brailleChord;

// The first key event of a key, and each auto-repeat: silences the voice,
// ends a pending sound wait and delivers the control and cursor codes.
void FormKeyDown(int key, ShiftState shift);
// A key that produces a character, after its key down.
void FormKeyPress(char key);
// The release of a key: delivers the typed character or the translated chord.
// The release of Shift, Ctrl or Alt does nothing.
void FormKeyUp(int key, ShiftState shift);

// Samples the six dot keys (F D S J K L) and the space bar into brailleChord;
// no dot key and no space ends the braille prefix in force.
void ReadChord();

// The code of the cursor keys held: 80 hex plus 1 Up, 2 Down, 4 Left,
// 8 Right, plus 10 with Shift and 20 with the space bar; 0 when no cursor
// key is held.
int CursorCode(bool shift);

} // namespace velira
