#pragma once

#include "platform/audio_mixer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The sound bank: the waves of "sounds.dat" by name, and their playback
// through the mixer. All on the user-interface thread.
namespace velira
{

// A wave image: its format record (the whole "fmt " chunk) and its samples
// (the "data" chunk).
struct TWave {
	std::vector<uint8_t> format;
	std::vector<uint8_t> samples;
};

class TWaveCollectionItem
{
public:
	std::string Name;
	bool Looped = false;
	// How many copies may sound at once when played unlooped; 0 is no limit.
	int32_t MaxPlayingCount = 0;
	TWave Wave;

	// Playback sample rate in Hz, 0 for the wave's own rate.
	int32_t frequency = 0;
	// Hundredths of a decibel; 0 is full level. The pan stays at the centre:
	// nothing in the shell changes it.
	int32_t volume = 0;
	// True while the sound device is open.
	bool ready = false;
	MixerBufferId master = 0;
	// Further buffers on the master's samples, for unlooped play; reused in
	// turn.
	std::vector<MixerBufferId> copies;
	// The result of the last buffer call; stored, not raised.
	MixerResult lastError = MixerResult::kOk;
};

// The items in file order. Lookup ignores letter case and finds the item
// that got the name last.
class TWaveCollection
{
public:
	TWaveCollectionItem &Add();
	// Releases every buffer and removes every item.
	void Clear();
	size_t Count() const { return items_.size(); }
	TWaveCollectionItem &Item(size_t index) { return *items_[index]; }
	TWaveCollectionItem *Find(const std::string &name);

private:
	std::vector<std::unique_ptr<TWaveCollectionItem>> items_;
};

// The sound device over the platform mixer.
class TDXSound
{
public:
	// Raises "DirectSound cannot be initialized" when the mixer cannot open.
	void Initialize();
	bool Initialized() const { return open_; }
	// Forgets the device (the buffers must have been released).
	void Finalize() { open_ = false; }

private:
	bool open_ = false;
};

class TDXWaveList
{
public:
	TDXSound *DXSound = nullptr;
	TWaveCollection Items;
};

// The sound objects, owned by the main window for the whole run.
extern std::unique_ptr<TDXSound> soundDevice;
extern std::unique_ptr<TDXWaveList> waveList;

// Start-up: creates and opens the device, then creates the wave list and
// attaches it. An error opening the device leaves no wave list.
void CreateSoundDeviceAndWaveList();
// Releases every buffer, the wave list and the device.
void ReleaseSoundDeviceAndWaveList();
// The sound subsystem as at start-up: no device, no wave list.
void ResetSoundState();

// Reads the bank from `path` into the wave list and, when the device is
// open, prepares every item's buffers.
void LoadSoundBank(const std::string &path);
// Prepares the buffers of every item (the end of loading).
void PrepareWaves();

// Raises "Wave '<name>' not found" when the bank has no such wave.
TWaveCollectionItem &FindWave(const std::string &name);
void SetWaveLooped(TWaveCollectionItem &item, bool on);
void SetWaveFrequency(TWaveCollectionItem &item, int32_t frequency_hz);
void SetWaveVolume(TWaveCollectionItem &item, int32_t volume_cb);
// With `wait`, returns when the sound has ended, polling every 10 ms
// without handling the user's input (MessagePump::WaitHoldingInput).
void PlayWave(TWaveCollectionItem &item, bool wait);
void StopWave(TWaveCollectionItem &item);

} // namespace velira
