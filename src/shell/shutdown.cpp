#include "shell/shutdown.h"

#include "platform/desktop.h"
#include "platform/services.h"
#include "shell/memory_image.h"
#include "speech/speech_output.h"

#include <cstdlib>
#include <utility>

namespace velira
{

namespace
{
std::function<void()> g_release_sound;
}

void SetSoundObjectsRelease(std::function<void()> release)
{
	g_release_sound = std::move(release);
}

void ReleaseSoundObjects()
{
	std::function<void()> release = std::exchange(g_release_sound, nullptr);
	if (!release)
		return;
	try {
		release();
	} catch (...) {
		// Errors while releasing the sound objects are ignored.
	}
}

void SaveAndTerminate()
{
	SaveMemoryImage();
	// Speech first: its engines play through the sound device.
	ShutDownSpeech();
	ReleaseSoundObjects();
	services().desktop->TerminateProcess(0);
	// Only reached when a test's fake desktop returns.
	std::abort();
}

} // namespace velira
