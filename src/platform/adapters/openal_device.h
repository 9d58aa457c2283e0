#pragma once

#include <AL/al.h>
#include <AL/alc.h>

namespace velira
{

// The one OpenAL device and context of the process, shared by the sound
// bank and the speech engines. With no sound card OpenAL Soft falls back to
// its null driver (ALSOFT_DRIVERS=null forces it), so the shell still runs.
class OpenAlDevice
{
public:
	// Opens the default device and makes its context current; false when no
	// device could be opened at all.
	static bool Open();
	static bool IsOpen();
	// Closes it; every source and buffer must have been deleted first.
	static void Close();

	static ALCdevice *Device();
};

} // namespace velira
