// Speech latency with the real espeak-ng layer: from TextData to the first
// audio of a sentence, and from a key down to silence through StopSpeech;
// the output latency of the OpenAL device, and what the user hears: each
// in-process figure plus that latency. Run by hand:
//   ./bench/velira_speech_bench          on OpenAL Soft's null and wave
//                                        drivers and on a PulseAudio server
//                                        of its own, each in a process of
//                                        its own
//   ./bench/velira_speech_bench --here   on the driver the environment gives
#include "platform/adapters/openal_device.h"
#include "platform/cp1250.h"
#include "platform/message_pump.h"
#include "platform/services.h"
#include "settings/shared_settings.h"
#include "speech/adapters/espeak_engine.h"
#include "speech/speech_output.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

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

double Median(std::vector<double> values)
{
	std::sort(values.begin(), values.end());
	return values[values.size() / 2];
}

void Report(const char *what, std::vector<double> values, double goal_ms)
{
	std::sort(values.begin(), values.end());
	std::printf("%-46s median %7.2f ms  max %7.2f ms  (goal < %.0f ms, ratio %.2f, %zu runs)\n", what,
	            values[values.size() / 2], values.back(), goal_ms, values[values.size() / 2] / goal_ms,
	            values.size());
}

int64_t NowNs()
{
	return std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now().time_since_epoch())
	    .count();
}

// The figures on the driver that the environment gives.
int MeasureHere()
{
	OpenAlDevice::PrepareShortBuffer();
	BenchPump pump;
	EspeakObjectFactory factory(
	    [&pump](std::function<void()> message) { pump.Post(std::move(message)); });
	services().pump = &pump;
	services().speechObjects = &factory;

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
	const char *device_name = alcGetString(OpenAlDevice::Device(), ALC_ALL_DEVICES_SPECIFIER);
	std::printf("voice: %s; device: %s\n", mode.mode_name.c_str(), device_name ? device_name : "?");

	const std::string sentence =
	    Cp1250FromUtf8("Nepriateľská loď je na pravej strane, vzdialenosť tri míle.");
	std::vector<double> to_start, to_audio, to_silence, latency, heard_audio, heard_silence;
	for (int run = 0; run < 20; ++run) {
		const int64_t handed_over = NowNs();
		SpeakAsync(sentence);
		pump.WaitUntil(sapi4Speaking);
		to_start.push_back(Ms(NowNs() - handed_over));
		while (espeakTimings().first_audio_ns == 0)
			std::this_thread::sleep_for(std::chrono::microseconds(200));
		const double audio_ms = Ms(espeakTimings().first_audio_ns - espeakTimings().text_accepted_ns);
		to_audio.push_back(audio_ms);

		// Let it speak a little, then a key goes down. The latency is read
		// while the voice plays, when a sound server has a stream to time.
		std::this_thread::sleep_for(std::chrono::milliseconds(150));
		const double latency_ms = OpenAlDevice::OutputLatencyMs();
		latency.push_back(latency_ms);
		heard_audio.push_back(audio_ms + latency_ms);
		pump.ProcessPendingMessages();
		const int64_t key_down = NowNs();
		StopSpeech();
		pump.WaitWhile(sapi4Speaking);
		const double silence_ms = Ms(NowNs() - key_down);
		to_silence.push_back(silence_ms);
		heard_silence.push_back(silence_ms + latency_ms);
	}
	std::sort(latency.begin(), latency.end());
	std::printf("output latency %.1f ms  (median of %zu readings while speaking, %.1f to %.1f; goal "
	            "<= 20 ms, ratio %.2f)\n",
	            Median(latency), latency.size(), latency.front(), latency.back(), Median(latency) / 20);
	Report("TextData to AudioStart delivered", to_start, 50);
	Report("TextData to first samples playing", to_audio, 50);
	Report("TextData to first sample heard (+ latency)", heard_audio, 50);
	Report("key down to silence (StopSpeech)", to_silence, 20);
	Report("key down to silence heard (+ latency)", heard_silence, 20);
	ReleaseSpeechObjects();
	OpenAlDevice::Close();
	return 0;
}

// Runs `argv` with `extra` added to the environment; its exit status, or -1.
int Run(const std::vector<std::string> &argv, const std::vector<std::string> &extra, pid_t *started = nullptr)
{
	std::vector<std::string> env_strings(extra);
	for (char **e = environ; *e != nullptr; ++e) {
		const std::string entry(*e);
		const std::string name = entry.substr(0, entry.find('='));
		bool replaced = false;
		for (const std::string &x : extra)
			replaced = replaced || x.compare(0, name.size() + 1, name + "=") == 0;
		if (!replaced)
			env_strings.push_back(entry);
	}
	std::vector<char *> args, envp;
	for (const std::string &a : argv)
		args.push_back(const_cast<char *>(a.c_str()));
	args.push_back(nullptr);
	for (std::string &e : env_strings)
		envp.push_back(e.data());
	envp.push_back(nullptr);
	pid_t pid = 0;
	if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), envp.data()) != 0)
		return -1;
	if (started != nullptr) {
		*started = pid;
		return 0;
	}
	int status = 0;
	while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
	}
	return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The stream underruns that a PulseAudio server logged at debug level: each
// is a gap in what the user hears.
int CountUnderruns(const std::string &log)
{
	std::FILE *file = std::fopen(log.c_str(), "r");
	if (file == nullptr)
		return 0;
	int count = 0;
	char line[1024];
	while (std::fgets(line, sizeof line, file) != nullptr)
		count += std::strstr(line, "Implicit underrun") != nullptr;
	std::fclose(file);
	return count;
}

std::string PrivateFolder()
{
	std::string folder = (std::filesystem::temp_directory_path() / "velira-bench-XXXXXX").string();
	return ::mkdtemp(folder.data()) != nullptr ? folder : std::string();
}

// The figures on each driver, each in a process of its own: OpenAL Soft
// picks its driver once per process.
int MeasureOnEveryDriver(const std::string &self)
{
	std::printf("== OpenAL Soft null driver\n");
	std::fflush(stdout);
	int failures = Run({self, "--here"}, {"ALSOFT_DRIVERS=null"}) != 0;

	const std::string folder = PrivateFolder();
	if (folder.empty())
		return 1;
	std::printf("== OpenAL Soft wave driver (recording into a file)\n");
	std::fflush(stdout);
	{
		std::FILE *config = std::fopen((folder + "/alsoft.conf").c_str(), "w");
		if (config != nullptr) {
			std::fprintf(config, "[wave]\nfile=%s/heard.wav\n", folder.c_str());
			std::fclose(config);
		}
	}
	failures +=
	    Run({self, "--here"}, {"ALSOFT_DRIVERS=wave", "ALSOFT_CONF=" + folder + "/alsoft.conf"}) != 0;

	// A PulseAudio server of the benchmark's own, on a private socket, with
	// a null sink. Without rewinds: the null sink's rewinding leaves OpenAL
	// Soft 1.19's stream stalled after its first fill.
	std::printf("== PulseAudio (a server of its own, null sink), OpenAL Soft pulse driver\n");
	std::fflush(stdout);
	const std::string socket = folder + "/native";
	const std::vector<std::string> private_env = {"HOME=" + folder, "XDG_RUNTIME_DIR=" + folder,
	                                              "XDG_CONFIG_HOME=" + folder};
	pid_t server = 0;
	const std::string log = folder + "/pulse.log";
	if (Run({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
	         "--log-level=debug", "--log-target=file:" + log, "-L",
	         "module-null-sink sink_name=null norewinds=1", "-L",
	         "module-native-protocol-unix socket=" + socket},
	        private_env, &server) != 0) {
		std::printf("skipped: pulseaudio cannot be started\n");
	} else {
		for (int i = 0; i < 200 && !std::filesystem::exists(socket); ++i)
			std::this_thread::sleep_for(std::chrono::milliseconds(50));
		if (!std::filesystem::exists(socket)) {
			std::printf("failed: PulseAudio did not open its socket\n");
			++failures;
		} else {
			std::vector<std::string> env = private_env;
			env.push_back("ALSOFT_DRIVERS=pulse");
			env.push_back("PULSE_SERVER=unix:" + socket);
			failures += Run({self, "--here"}, env) != 0;
			const int quiet_underruns = CountUnderruns(log);
			std::printf("PulseAudio underruns while speaking: %d\n", quiet_underruns);
			// The same again while the other cores are busy (a build
			// running): one thread spinning on each core but one.
			std::printf("== the same with the other cores kept busy\n");
			std::fflush(stdout);
			std::atomic<bool> burn{true};
			std::vector<std::thread> burners;
			const unsigned cores = std::thread::hardware_concurrency();
			for (unsigned i = 0; i < std::max(1u, cores > 1 ? cores - 1 : 1u); ++i)
				burners.emplace_back([&burn] {
					volatile uint64_t spins = 0;
					while (burn.load(std::memory_order_relaxed))
						spins = spins + 1;
				});
			failures += Run({self, "--here"}, env) != 0;
			burn = false;
			for (std::thread &burner : burners)
				burner.join();
			std::printf("PulseAudio underruns while speaking: %d\n",
			            CountUnderruns(log) - quiet_underruns);
		}
		kill(server, SIGTERM);
		int status = 0;
		while (waitpid(server, &status, 0) < 0 && errno == EINTR) {
		}
	}
	std::error_code error;
	std::filesystem::remove_all(folder, error);
	return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
	if (argc > 1 && std::string(argv[1]) == "--here")
		return MeasureHere();
	std::error_code error;
	const std::string self = std::filesystem::read_symlink("/proc/self/exe", error).string();
	return MeasureOnEveryDriver(error ? std::string(argv[0]) : self);
}
