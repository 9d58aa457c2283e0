#pragma once

// The shell's shared state as a whole. It lives with the process entry, at
// the top: it composes the reset of every subsystem, and no subsystem uses it.
namespace velira
{

// Puts every subsystem's state back as it is when the process starts: the
// runtime (screen, print position, key slot, tone and RND state, DATA
// file), the translated program's return stack, speech (flags and the older
// interface's objects), input (tables, pending keys and chords, the braille
// output's state), the sound objects, the screen review, the shared
// settings, the language and the settings file's path, the file locations
// (the portable ones: the current directory), and the memory image (all
// zero, and not to be written before it has been read). The connections in
// services() stay as they are. The process entry runs it
// before it creates the windows; the test platform before and after every
// test.
void ResetCoreState();

} // namespace velira
