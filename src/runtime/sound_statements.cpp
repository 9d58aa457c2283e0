#include "platform/message_pump.h"
#include "platform/services.h"
#include "platform/timer.h"
#include "runtime/velcommands.h"
#include "settings/shared_settings.h"

// The tone statements' timing. The notes themselves are not played yet: the
// sound bank is not connected.
namespace velira
{

void SoundStatement(const std::vector<double> &notes, double duration, double instrument)
{
	(void)notes;
	if (!deviceSounds)
		return;
	if (instrument > 9)
		instrument = lastInstrument;
	if (!(duration >= 0))
		duration = lastDuration;
	lastInstrument = static_cast<uint8_t>(Trunc(instrument) & 0xFF);
	lastDuration = static_cast<int32_t>(Trunc(duration));
	soundWaiting = true;
	services().timer->Start(static_cast<int>(Trunc(duration)));
	services().pump->WaitWhile(soundWaiting);
}

void BeepSound() {}

void ClickSound(double) {}

} // namespace velira
