#include "app/core_state.h"

#include "input/input_state.h"
#include "program/velprog.h"
#include "review/screen_review.h"
#include "runtime/velcommands.h"
#include "settings/shared_settings.h"
#include "shell/file_locations.h"
#include "shell/memory_image.h"
#include "sound/sound_bank.h"
#include "speech/speech_output.h"

namespace velira
{

void ResetCoreState()
{
	ResetSettingsState();
	ResetRuntimeState();
	ResetProgramState();
	ResetSpeechState();
	ResetInputState();
	ResetSoundState();
	ResetReviewState();
	// The shell's own state: an empty memory image that no way out may write
	// before one has been read.
	ramImage.fill(0);
	ForgetMemoryImage();
	// The portable locations: every file in the current directory.
	SetFileLocations(FileLocations{});
}

} // namespace velira
