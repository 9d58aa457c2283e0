#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace velira
{

// The device buffer the shell asks OpenAL Soft for: four periods of 192
// frames. At 44.1 kHz a period is 4.4 ms and the sound leaves the shell
// 14 ms (three periods) after it was mixed, instead of the 46 ms of OpenAL
// Soft's three periods of 1024 frames; the buffer still holds 17 ms, which
// covers a mixer thread that a busy processor lets wait a few milliseconds.
// Smaller buffers crackled under load on the development machine.
constexpr int kDevicePeriodFrames = 192;
constexpr int kDevicePeriods = 4;

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

	// OpenAL keeps one error state for the whole context, and the sounds
	// (driven from the user-interface thread) and the speech engine's
	// workers share the one context of the device. A call and the error
	// check after it run under this lock, so that no thread reads or clears
	// the error of another thread's call. It is recursive: a call made under
	// it may release objects whose own clean-up takes it again.
	[[nodiscard]] static std::unique_lock<std::recursive_mutex> LockCalls();

	// Asks OpenAL Soft for the short device buffer above and, on its own
	// PipeWire output, for mixing in PipeWire's real-time thread
	// (ShellOpenAlSettings), unless the user's OpenAL Soft configuration
	// files set them: what the user wrote there holds. OpenAL Soft reads
	// its configuration once, when the first device opens, so this runs
	// first thing in the process, before any other OpenAL call and before
	// any other thread exists (it changes the environment for a moment).
	static void PrepareShortBuffer();

	// How long a sample takes from the mixer to the output, as OpenAL Soft
	// reports it (ALC_SOFT_device_clock), in milliseconds; -1 when no device
	// is open or it cannot tell.
	static double OutputLatencyMs();
	// How much sound the device has mixed since it opened (its clock,
	// ALC_SOFT_device_clock), in nanoseconds; -1 when no device is open or it
	// cannot tell. Unlike the wall clock, a busy machine does not stretch it.
	static int64_t MixedNs();
};

// True when an OpenAL Soft configuration text sets the device's period size
// or period count for every device (keys `period_size` and `periods` of
// its general section, with a value).
bool ConfigSetsDeviceBuffer(std::string_view config_text);

// What the shell adds to OpenAL Soft's configuration, as a configuration
// text, given the texts of the files OpenAL Soft reads; empty when they set
// it all already. Each key is added only where no file sets it:
// - the device buffer above (`period_size`, `periods`);
// - `rt-mix` of OpenAL Soft's own PipeWire output (1.23 and later): it
//   mixes in PipeWire's real-time thread, as the graph asks for each
//   quantum. Left to its default, it mixes in an ordinary thread that a
//   busy processor lets miss the quantum, and PipeWire counted those gaps
//   (xruns) while the shell spoke. Mixed in the real-time thread, the
//   sound was heard about 3 ms after the text, without those gaps.
std::string ShellOpenAlSettings(const std::vector<std::string> &config_texts);

// The configuration files OpenAL Soft reads, in its order (later ones
// override earlier ones), as the environment names them: the system file,
// the XDG configuration folders, the user's files, the one beside the
// executable, and the file that ALSOFT_CONF names.
std::vector<std::string> OpenAlConfigFiles();

} // namespace velira
