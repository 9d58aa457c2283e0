#include "sound/sound_bank.h"

#include "platform/error.h"
#include "platform/message_pump.h"
#include "platform/services.h"
#include "sound/sound_bank_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace velira
{

std::unique_ptr<TDXSound> soundDevice;
std::unique_ptr<TDXWaveList> waveList;

namespace
{

// How often a waiting play asks whether its sound has ended.
constexpr int64_t kPlayPollInterval_ms = 10;

AudioMixer &Mixer()
{
	return services().Mixer();
}

std::string Lowercase(std::string text)
{
	for (char &ch : text) {
		if (ch >= 'A' && ch <= 'Z')
			ch = static_cast<char>(ch - 'A' + 'a');
	}
	return text;
}

void ReleaseBuffers(TWaveCollectionItem &item)
{
	if (services().mixer != nullptr) {
		for (MixerBufferId copy : item.copies)
			Mixer().Release(copy);
		if (item.master != 0)
			Mixer().Release(item.master);
	}
	item.copies.clear();
	item.master = 0;
}

// The master buffer of a ready item; an item without samples has none.
MixerBufferId MasterOf(const TWaveCollectionItem &item)
{
	if (item.master == 0)
		throw ShellError("IDirectSoundBuffer not made");
	return item.master;
}

// True while a loss is being repaired, so that a loss during the refill does
// not start another one.
bool g_restoring = false;

void Restore();

// Stores the result of a buffer call; a lost buffer renews the masters.
void Store(TWaveCollectionItem &item, MixerResult result)
{
	item.lastError = result;
	if (result == MixerResult::kBufferLost && !g_restoring)
		Restore();
}

// Creates the master buffer of `item` afresh, fills it with the samples and
// gives it the item's frequency and volume.
void MakeMasterBuffer(TWaveCollectionItem &item)
{
	if (item.Wave.samples.empty())
		return;
	if (item.master != 0) {
		Mixer().Release(item.master);
		item.master = 0;
	}
	MixerBufferId buffer = 0;
	if (Mixer().CreateBuffer(item.Wave.format, static_cast<uint32_t>(item.Wave.samples.size()),
	                         &buffer) != MixerResult::kOk ||
	    buffer == 0)
		throw ShellError("Sound Buffer cannot be made");
	item.master = buffer;
	if (Mixer().WriteSamples(buffer, item.Wave.samples) != MixerResult::kOk)
		throw ShellError("Sound Buffer cannot be locked");
	item.lastError = Mixer().SetFrequency(buffer, item.frequency);
	item.lastError = Mixer().SetVolume(buffer, item.volume);
}

void Restore()
{
	if (!waveList)
		return;
	g_restoring = true;
	try {
		TWaveCollection &items = waveList->Items;
		for (size_t i = 0; i < items.Count(); ++i) {
			if (items.Item(i).ready)
				MakeMasterBuffer(items.Item(i));
		}
	} catch (...) {
		g_restoring = false;
		throw;
	}
	g_restoring = false;
}

bool IsPlaying(TWaveCollectionItem &item, MixerBufferId buffer)
{
	bool playing = false;
	Store(item, Mixer().GetPlaying(buffer, &playing));
	return playing;
}

// The copy to play an unlooped item on, made or reused by the copy rules;
// 0 when the item has no master buffer to copy.
MixerBufferId ChooseCopy(TWaveCollectionItem &item)
{
	for (MixerBufferId copy : item.copies) {
		if (!IsPlaying(item, copy))
			return copy;
	}
	const bool may_add =
	    item.MaxPlayingCount == 0 || item.copies.size() < static_cast<size_t>(item.MaxPlayingCount);
	if (may_add) {
		if (item.master == 0)
			return 0;
		MixerBufferId copy = 0;
		const MixerResult result = Mixer().DuplicateBuffer(item.master, &copy);
		Store(item, result);
		if (result == MixerResult::kOk && copy != 0) {
			item.copies.push_back(copy);
			return copy;
		}
		// The mixer holds no more: the copies there are are reused in
		// turn, as for an item at its limit, rather than fall silent.
		if (item.copies.empty())
			return 0;
	}
	// All allowed copies sound: the oldest is restarted and goes to the end.
	const MixerBufferId copy = item.copies.front();
	item.copies.erase(item.copies.begin());
	item.copies.push_back(copy);
	return copy;
}

} // namespace

TWaveCollectionItem &TWaveCollection::Add()
{
	items_.push_back(std::make_unique<TWaveCollectionItem>());
	return *items_.back();
}

void TWaveCollection::Clear()
{
	for (auto &item : items_)
		ReleaseBuffers(*item);
	items_.clear();
}

TWaveCollectionItem *TWaveCollection::Find(const std::string &name)
{
	const std::string wanted = Lowercase(name);
	for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
		if (Lowercase((*it)->Name) == wanted)
			return it->get();
	}
	return nullptr;
}

void TDXSound::Initialize()
{
	AudioMixer *mixer = services().mixer;
	if (mixer == nullptr || mixer->Open() != MixerResult::kOk)
		throw ShellError("DirectSound cannot be initialized");
	open_ = true;
}

void CreateSoundDeviceAndWaveList()
{
	ReleaseSoundDeviceAndWaveList();
	soundDevice = std::make_unique<TDXSound>();
	soundDevice->Initialize();
	waveList = std::make_unique<TDXWaveList>();
	waveList->DXSound = soundDevice.get();
}

void ReleaseSoundDeviceAndWaveList()
{
	if (waveList) {
		waveList->Items.Clear();
		waveList.reset();
	}
	if (soundDevice) {
		soundDevice->Finalize();
		soundDevice.reset();
	}
}

void ResetSoundState()
{
	ReleaseSoundDeviceAndWaveList();
	g_restoring = false;
}

void LoadSoundBank(const std::string &path)
{
	if (!waveList)
		waveList = std::make_unique<TDXWaveList>();
	std::ifstream in(path, std::ios::binary);
	// The reason of the open, before the checks below make calls of their own.
	const int open_error = errno;
	std::error_code ignored;
	if (!in || std::filesystem::is_directory(path, ignored)) {
		const std::string reason =
		    SystemReason(std::filesystem::is_directory(path, ignored) ? EISDIR : open_error);
		throw ShellError("Cannot open file \"" +
		                 PathForMessage(std::filesystem::absolute(path, ignored).string()) + "\". " +
		                 reason);
	}
	const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
	ReadSoundBank(file, waveList->Items);
	if (waveList->DXSound != nullptr && waveList->DXSound->Initialized())
		PrepareWaves();
}

void PrepareWaves()
{
	TWaveCollection &items = waveList->Items;
	// Every wave with samples has its master buffer, and an item with a
	// limit may play that many copies at once: a bank that asks for more
	// than the mixer can hold would go silent in the middle of a game.
	size_t wanted = 0;
	for (size_t i = 0; i < items.Count(); ++i) {
		const TWaveCollectionItem &item = items.Item(i);
		if (!item.Wave.samples.empty())
			wanted += 1 + static_cast<size_t>(std::max(item.MaxPlayingCount, 0));
	}
	const size_t capacity = Mixer().Capacity();
	if (wanted > capacity)
		throw ShellError("The sound bank asks for " + std::to_string(wanted) +
		                 " sound buffers at once; the sound device holds " +
		                 std::to_string(capacity));
	for (size_t i = 0; i < items.Count(); ++i) {
		ReleaseBuffers(items.Item(i));
		items.Item(i).ready = false;
	}
	for (size_t i = 0; i < items.Count(); ++i)
		items.Item(i).ready = true;
	for (size_t i = 0; i < items.Count(); ++i)
		MakeMasterBuffer(items.Item(i));
}

TWaveCollectionItem &FindWave(const std::string &name)
{
	TWaveCollectionItem *item = waveList ? waveList->Items.Find(name) : nullptr;
	if (item == nullptr)
		throw ShellError("Wave '" + name + "' not found");
	return *item;
}

void SetWaveLooped(TWaveCollectionItem &item, bool on)
{
	if (on == item.Looped)
		return;
	StopWave(item);
	item.Looped = on;
}

void SetWaveFrequency(TWaveCollectionItem &item, int32_t frequency_hz)
{
	item.frequency = frequency_hz;
	if (item.ready)
		Store(item, Mixer().SetFrequency(MasterOf(item), frequency_hz));
}

void SetWaveVolume(TWaveCollectionItem &item, int32_t volume_cb)
{
	item.volume = volume_cb;
	if (item.ready)
		Store(item, Mixer().SetVolume(MasterOf(item), volume_cb));
}

void PlayWave(TWaveCollectionItem &item, bool wait)
{
	if (!item.ready)
		return;
	if (item.Looped) {
		const MixerBufferId master = MasterOf(item);
		Store(item, Mixer().Stop(master));
		Store(item, Mixer().SetCurrentPosition(master, 0));
		Store(item, Mixer().Play(master, true));
		return;
	}
	const MixerBufferId copy = ChooseCopy(item);
	if (copy == 0)
		return;
	Store(item, Mixer().Stop(copy));
	Store(item, Mixer().SetCurrentPosition(copy, 0));
	Store(item, Mixer().SetFrequency(copy, item.frequency));
	Store(item, Mixer().SetVolume(copy, item.volume));
	Store(item, Mixer().Play(copy, false));
	if (!wait)
		return;
	// The caller sees no key before the sound has ended; the screen is
	// still painted and read meanwhile.
	while (IsPlaying(item, copy))
		services().Pump().WaitHoldingInput(kPlayPollInterval_ms);
}

void StopWave(TWaveCollectionItem &item)
{
	if (!item.ready)
		return;
	Store(item, Mixer().Stop(MasterOf(item)));
	for (MixerBufferId copy : item.copies)
		Store(item, Mixer().Stop(copy));
}

} // namespace velira
