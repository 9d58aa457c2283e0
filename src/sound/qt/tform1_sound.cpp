#include "shell/qt/tform1.h"

#include "platform/desktop.h"
#include "platform/services.h"
#include "settings/localized_texts.h"
#include "shell/file_locations.h"
#include "shell/shutdown.h"
#include "sound/sound_bank.h"

#include <filesystem>

// The main window's sound start-up step: the sound device, the wave list and
// the bank "sounds.dat" (from the current directory, or the user's or the
// installed one).
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
	const std::string bank = DataFilePath(kSoundBankFileName);
	std::error_code error;
	if (!std::filesystem::exists(bank, error)) {
		services().desktop->ShowMessage(LocalizedText(languageBase, 42) + " " + bank);
		services().desktop->TerminateProcess(0);
	}
	LoadSoundBank(bank);
}

} // namespace velira
