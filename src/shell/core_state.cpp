#include "shell/core_state.h"

#include "input/input_state.h"
#include "program/velprog.h"
#include "review/screen_review.h"
#include "runtime/velcommands.h"
#include "settings/shared_settings.h"
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
	// The shell's own state.
	ramImage.fill(0);
}

} // namespace velira
