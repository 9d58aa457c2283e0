#include "shell/shutdown.h"

#include "platform/desktop.h"
#include "platform/services.h"
#include "settings/localized_texts.h"
#include "shell/memory_image.h"
#include "speech/speech_output.h"

#include <cstdlib>
#include <functional>
#include <utility>

namespace velira
{

namespace
{

// Only reached when a test's fake desktop returns from TerminateProcess.
[[noreturn]] void Terminate(int exit_code)
{
	services().DesktopService().TerminateProcess(exit_code);
	std::abort();
}

} // namespace

void ReleaseSoundObjects()
{
	std::function<void()> release = std::exchange(services().releaseSoundObjects, nullptr);
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
	Terminate(0);
}

void ReportMissingFileAndEnd(const std::string &path)
{
	services().DesktopService().ShowMessage(LocalizedText(languageBase, kTextCannotFindFile) + " " +
	                                        path);
	// A speech thread left running could keep the process from ending.
	ShutDownSpeech();
	Terminate(0);
}

} // namespace velira
