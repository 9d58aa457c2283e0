#pragma once

#include <functional>

namespace velira
{

// The sound objects (mixer and wave list) are released on every way out.
// Their owner registers how; the ways out call ReleaseSoundObjects.
void SetSoundObjectsRelease(std::function<void()> release);

// Releases them once; errors while releasing are ignored.
void ReleaseSoundObjects();

// The ways out of the shell that end the process at once: the memory image
// is written, speech shut down, the sound objects released, and the process
// ends. Used by
// Exit during a run, closing the window during a run, and the termination
// signals. When the image cannot be written the error is raised and the
// process goes on, so the user hears why and nothing is lost silently.
[[noreturn]] void SaveAndTerminate();

} // namespace velira
