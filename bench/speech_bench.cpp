// Speech latency with the real espeak-ng layer: from TextData to the first
// audio of a sentence, and from a key down to silence through StopSpeech.
// Run by hand: ALSOFT_DRIVERS=null ./bench/velira_speech_bench
#include "platform/adapters/openal_device.h"
#include "platform/cp1250.h"
#include "platform/message_pump.h"
#include "platform/services.h"
#include "settings/shared_settings.h"
#include "speech/adapters/espeak_engine.h"
#include "speech/speech_output.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

using namespace velira;
using SteadyClock = std::chrono::steady_clock;

namespace
{

// The user-interface thread's queue, as the Qt pump would run it.
class BenchPump final : public MessagePump
{
public:
	void Post(std::function<void()> message)
	{
		std::lock_guard lock(mutex_);
		queue_.push_back(std::move(message));
		arrived_.notify_all();
	}
	void ProcessPendingMessages() override
	{
		while (RunOne(false)) {
		}
	}
	void WaitWhile(const bool &flag) override
	{
		while (flag)
			RunOne(true);
	}
	void WaitHoldingInput(int64_t duration_ms) override
	{
		std::this_thread::sleep_for(std::chrono::milliseconds(duration_ms));
	}
	void WaitUntil(const bool &flag)
	{
		while (!flag)
			RunOne(true);
	}

private:
	bool RunOne(bool block)
	{
		std::function<void()> message;
		{
			std::unique_lock lock(mutex_);
			if (block)
				arrived_.wait(lock, [this] { return !queue_.empty(); });
			if (queue_.empty())
				return false;
			message = std::move(queue_.front());
			queue_.pop_front();
		}
		message();
		return true;
	}
	std::mutex mutex_;
	std::condition_variable arrived_;
	std::deque<std::function<void()>> queue_;
};

double Ms(int64_t ns)
{
	return static_cast<double>(ns) / 1e6;
}

void Report(const char *what, std::vector<double> values, double goal_ms)
{
	std::sort(values.begin(), values.end());
	std::printf("%-42s median %7.2f ms  max %7.2f ms  (goal < %.0f ms, %zu runs)\n", what,
	            values[values.size() / 2], values.back(), goal_ms, values.size());
}

int64_t NowNs()
{
	return std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now().time_since_epoch())
	    .count();
}

} // namespace

int main()
{
	BenchPump pump;
	EspeakObjectFactory factory;
	services().pump = &pump;
	services().speechObjects = &factory;
	services().postToUi = [&pump](std::function<void()> message) { pump.Post(std::move(message)); };

	voiceAllowed = true;
	InitSpeech();
	SpeechObjectSlots &objects = speechObjects();
	if (!objects.engineEnum || !objects.audioDestination) {
		std::fprintf(stderr, "no espeak-ng or no OpenAL device\n");
		return 1;
	}
	objects.notifySink = std::make_shared<TTTSNotifySink>();
	TtsModeInfo mode;
	uint32_t fetched = 0;
	objects.engineEnum->Reset();
	objects.engineEnum->Next(mode, fetched); // Czech
	objects.engineEnum->Select(mode.mode_id, objects.audioDestination.get(), objects.central);
	objects.central->Register(objects.notifySink, objects.registrationKey);
	voiceReady = true;
	std::printf("voice: %s\n", mode.mode_name.c_str());

	const std::string sentence =
	    Cp1250FromUtf8("Nepriateľská loď je na pravej strane, vzdialenosť tri míle.");
	std::vector<double> to_start, to_audio, to_silence;
	for (int run = 0; run < 20; ++run) {
		const int64_t handed_over = NowNs();
		SpeakAsync(sentence);
		pump.WaitUntil(sapi4Speaking);
		to_start.push_back(Ms(NowNs() - handed_over));
		while (espeakTimings().first_audio_ns == 0)
			std::this_thread::sleep_for(std::chrono::microseconds(200));
		to_audio.push_back(Ms(espeakTimings().first_audio_ns - espeakTimings().text_accepted_ns));

		// Let it speak a little, then a key goes down.
		std::this_thread::sleep_for(std::chrono::milliseconds(150));
		pump.ProcessPendingMessages();
		const int64_t key_down = NowNs();
		StopSpeech();
		pump.WaitWhile(sapi4Speaking);
		to_silence.push_back(Ms(NowNs() - key_down));
	}
	Report("TextData to AudioStart delivered", to_start, 50);
	Report("TextData to first samples playing", to_audio, 50);
	Report("key down to silence (StopSpeech)", to_silence, 20);
	ReleaseSpeechObjects();
	OpenAlDevice::Close();
	return 0;
}
