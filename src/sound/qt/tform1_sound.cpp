#include "shell/qt/tform1.h"

#include "platform/desktop.h"
#include "platform/services.h"
#include "settings/localized_texts.h"
#include "shell/shutdown.h"
#include "sound/sound_bank.h"

#include <filesystem>

// The main window's sound start-up step: the sound device, the wave list and
// the bank "sounds.dat" from the current directory.
namespace velira
{

namespace
{
constexpr const char *kSoundBankFileName = "sounds.dat";
}

void TForm1::CreateSoundObjects()
{
	// Released on every way out; errors while releasing are ignored.
	SetSoundObjectsRelease([] { ReleaseSoundDeviceAndWaveList(); });
	CreateSoundDeviceAndWaveList();
	std::error_code error;
	if (!std::filesystem::exists(kSoundBankFileName, error)) {
		services().desktop->ShowMessage(LocalizedText(languageBase, 42) + " " + kSoundBankFileName);
		services().desktop->TerminateProcess(0);
	}
	LoadSoundBank(kSoundBankFileName);
}

} // namespace velira
