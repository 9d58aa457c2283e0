#include "settings/shared_settings.h"

namespace velira
{

bool voiceAllowed = false;
bool deviceSounds = true;
int32_t soundVolume = 0;
bool brailleKeyboard = false;
int32_t echoMode = 0;
bool autoChange = false;
bool useSapi5 = false;

void ResetSharedSettings()
{
	voiceAllowed = false;
	deviceSounds = true;
	soundVolume = 0;
	brailleKeyboard = false;
	echoMode = 0;
	autoChange = false;
	useSapi5 = false;
}

} // namespace velira
