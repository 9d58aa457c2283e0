// Speech latency with the real espeak-ng layer: from TextData to the first
// audio of a sentence, and from a key down to silence through StopSpeech;
// the output latency of the OpenAL device, and what the user hears: each
// in-process figure plus that latency. Then the desktop voice, as the shell
// speaks through speech-dispatcher (a server of the bench's own with its
// espeak-ng module): text to the first sample heard and a key to silence
// heard, timed on what the sound server plays (its null sink's monitor, read
// back with parec). Run by hand:
//   ./bench/velira_speech_bench          on OpenAL Soft's null and wave
//                                        drivers and on a PulseAudio server
//                                        of its own, each in a process of
//                                        its own; speech-dispatcher on that
//                                        PulseAudio server
//   ./bench/velira_speech_bench --pipewire  the same on a PipeWire of its own
//                                        (pipewire, wireplumber,
//                                        pipewire-pulse, a null sink);
//                                        --pipewire --openal: OpenAL Soft only
//   ./bench/velira_speech_bench --here   on the driver the environment gives
#include "platform/adapters/openal_device.h"
#include "platform/cp1250.h"
#include "platform/message_pump.h"
#include "platform/services.h"
#include "settings/shared_settings.h"
#include "speech/adapters/espeak_engine.h"
#include "speech/adapters/speechd_voice.h"
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
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
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

// Runs `argv` with `extra` added to the environment; its exit status, or -1.
// With `output`, the program's standard output goes there.
int Run(const std::vector<std::string> &argv, const std::vector<std::string> &extra, pid_t *started = nullptr,
        int output = -1)
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
	posix_spawn_file_actions_t actions;
	posix_spawn_file_actions_init(&actions);
	if (output >= 0)
		posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
	// A server runs in a process group of its own, which Stop ends whole
	// (dbus-run-session and its child).
	posix_spawnattr_t attributes;
	posix_spawnattr_init(&attributes);
	if (started != nullptr) {
		posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
		posix_spawnattr_setpgroup(&attributes, 0);
	}
	const int spawned = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), envp.data());
	posix_spawnattr_destroy(&attributes);
	posix_spawn_file_actions_destroy(&actions);
	if (spawned != 0)
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

void Stop(pid_t process)
{
	if (process <= 0)
		return;
	kill(-process, SIGTERM);
	int status = 0;
	while (waitpid(process, &status, 0) < 0 && errno == EINTR) {
	}
}

bool WaitForFile(const std::string &path)
{
	for (int i = 0; i < 400 && !std::filesystem::exists(path); ++i)
		std::this_thread::sleep_for(std::chrono::milliseconds(50));
	return std::filesystem::exists(path);
}

// What the sound server plays, as its null sink's monitor gives it back
// (48 kHz mono): each sample is timed by the moment its fragment arrived,
// less the samples after it. On PulseAudio parec reads it in 5 ms
// fragments; on PipeWire pw-record reads it straight from the graph, one
// 128-frame quantum at a time, so that pipewire-pulse's own buffering of a
// recording is not counted as the shell's delay.
class PlayedSound
{
public:
	bool Start(const std::vector<std::string> &env, bool on_pipewire)
	{
		int pipe_fds[2];
		if (::pipe2(pipe_fds, O_CLOEXEC) != 0)
			return false;
		const std::vector<std::string> recorder =
		    on_pipewire ? std::vector<std::string>{"pw-record",
		                                           "--target",
		                                           "null",
		                                           "-P",
		                                           "stream.capture.sink=true",
		                                           "--rate",
		                                           "48000",
		                                           "--channels",
		                                           "1",
		                                           "--format",
		                                           "s16",
		                                           "--latency",
		                                           "128",
		                                           "-"}
		                : std::vector<std::string>{"parec",
		                                           "--raw",
		                                           "--format=s16le",
		                                           "--rate=48000",
		                                           "--channels=1",
		                                           "--latency-msec=5",
		                                           "--process-time-msec=2",
		                                           "-d",
		                                           "null.monitor"};
		const int started = Run(recorder, env, &recorder_, pipe_fds[1]);
		::close(pipe_fds[1]);
		if (started != 0) {
			::close(pipe_fds[0]);
			return false;
		}
		reader_ = std::thread([this, fd = pipe_fds[0]] { Read(fd); });
		return true;
	}
	~PlayedSound()
	{
		Stop(recorder_);
		if (reader_.joinable())
			reader_.join();
	}

	// The time of the first loud sample played after `since_ns`, or 0 when
	// none comes within `limit`.
	int64_t FirstSoundAfter(int64_t since_ns, std::chrono::milliseconds limit)
	{
		WatchFrom(since_ns);
		return FirstWatched(limit);
	}
	// The same in two steps, for a sound that may come before the bench can
	// wait for it: from `since_ns` on, the first loud sample is kept.
	void WatchFrom(int64_t since_ns)
	{
		std::lock_guard lock(mutex_);
		armed_since_ = since_ns;
		first_ = 0;
	}
	int64_t FirstWatched(std::chrono::milliseconds limit)
	{
		std::unique_lock lock(mutex_);
		changed_.wait_for(lock, limit, [this] { return first_ != 0; });
		armed_since_ = -1;
		return first_;
	}
	// The time of the last loud sample played, once nothing loud has been
	// played for `quiet`, or 0 when the sound does not stop within `limit`.
	int64_t LastSoundOnceQuietFor(std::chrono::milliseconds quiet, std::chrono::milliseconds limit)
	{
		const int64_t give_up = NowNs() + limit.count() * 1000000;
		std::unique_lock lock(mutex_);
		while (NowNs() < give_up) {
			const int64_t quiet_since = last_ + quiet.count() * 1000000;
			if (NowNs() >= quiet_since && arrived_ >= quiet_since)
				return last_;
			changed_.wait_for(lock, std::chrono::milliseconds(10));
		}
		return 0;
	}
	bool Receiving()
	{
		std::lock_guard lock(mutex_);
		return arrived_ != 0;
	}

private:
	static constexpr int kRate = 48000;
	// About -34 dB of full scale: espeak-ng's quietest voiced sounds are
	// louder, the silence between them is zeros.
	static constexpr int kLoud = 600;

	void Read(int fd)
	{
		int16_t samples[2048];
		for (;;) {
			const ssize_t n = ::read(fd, samples, sizeof samples);
			if (n <= 0) {
				if (n < 0 && errno == EINTR)
					continue;
				break;
			}
			const int64_t now = NowNs();
			const size_t count = static_cast<size_t>(n) / sizeof(int16_t);
			std::lock_guard lock(mutex_);
			for (size_t i = 0; i < count; ++i) {
				if (std::abs(samples[i]) < kLoud)
					continue;
				const int64_t at =
				    now - static_cast<int64_t>(count - 1 - i) * 1000000000 / kRate;
				last_ = std::max(last_, at);
				if (armed_since_ >= 0 && first_ == 0 && at > armed_since_)
					first_ = at;
			}
			arrived_ = now;
			changed_.notify_all();
		}
		::close(fd);
	}

	pid_t recorder_ = 0;
	std::thread reader_;
	std::mutex mutex_;
	std::condition_variable changed_;
	int64_t armed_since_ = -1;
	int64_t first_ = 0;
	int64_t last_ = 0;
	int64_t arrived_ = 0;
};

// PipeWire's own view of what plays: each node's quantum, rate and errors
// (xruns, counted since the node was made) as pw-top shows them, the graph's
// default quantum and the latency each node asks for, as pw-metadata and
// pw-dump give them.
void ShowPipeWireGraph(const std::vector<std::string> &env)
{
	Run({"sh", "-c",
	     "timeout 4 pw-top -b -n 2 2>/dev/null | tail -n +1; "
	     "echo \"PipeWire graph: default quantum $(pw-metadata -n settings 0 clock.quantum | "
	     "sed -n \"s/.*value:'\\([0-9]*\\)'.*/\\1/p\") frames\"; "
	     "pw-dump | awk -F'\"' '/\"id\": / { if (lat != \"\") print \"  node \" name \" "
	     "latency \" lat; name = \"\"; lat = \"\" } /\"node.name\"/ { name = $4 } "
	     "/\"node.latency\"/ { lat = $4 } END { if (lat != \"\") print \"  node \" name "
	     "\" latency \" lat }'"},
	    env);
}

// The same, shown once `delay` after it is made (while the voice speaks).
class PipeWireGraphShown
{
public:
	PipeWireGraphShown(std::vector<std::string> env, std::chrono::seconds delay)
	    : thread_([this, env = std::move(env), delay] {
		      {
			      std::unique_lock lock(mutex_);
			      if (wake_.wait_for(lock, delay, [this] { return done_; }))
				      return;
		      }
		      ShowPipeWireGraph(env);
	      })
	{
	}
	~PipeWireGraphShown()
	{
		{
			std::lock_guard lock(mutex_);
			done_ = true;
		}
		wake_.notify_all();
		thread_.join();
	}

private:
	std::mutex mutex_;
	std::condition_variable wake_;
	bool done_ = false;
	std::thread thread_;
};

// The figures on the driver that the environment gives. On a sound server
// of the bench's own (PULSE_SERVER set, a sink named null) also what its
// sink plays: the sound as a user would hear it, not only the latency that
// OpenAL Soft reports.
int MeasureHere()
{
	PlayedSound played;
	const bool own_server = std::getenv("PULSE_SERVER") != nullptr &&
	                        played.Start({}, std::getenv("VELIRA_BENCH_PIPEWIRE") != nullptr);
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
	// The shell falls back to a loopback device, rendered by a thread of
	// its own, when no output opens: no figure of the driver asked for.
	if (std::getenv("ALSOFT_DRIVERS") != nullptr && device_name != nullptr &&
	    std::string_view(device_name) == "Loopback") {
		std::printf("OpenAL Soft opened no output on driver %s\n", std::getenv("ALSOFT_DRIVERS"));
		ReleaseSpeechObjects();
		OpenAlDevice::Close();
		return 2;
	}

	const std::string sentence =
	    Cp1250FromUtf8("Nepriateľská loď je na pravej strane, vzdialenosť tri míle.");
	std::vector<double> to_start, to_audio, to_silence, latency, heard_audio, heard_silence, played_audio,
	    played_silence;
	const bool on_pipewire = std::getenv("VELIRA_BENCH_PIPEWIRE") != nullptr;
	if (own_server) {
		// The stream starts with the first text.
		SpeakAndWait(sentence);
		played.LastSoundOnceQuietFor(std::chrono::milliseconds(300), std::chrono::seconds(10));
	}
	if (on_pipewire) {
		// The errors that starting the stream cost, apart from those of the
		// runs below.
		std::printf("PipeWire's graph after the first text:\n");
		std::fflush(stdout);
		ShowPipeWireGraph({});
	}
	for (int run = 0; run < 20; ++run) {
		const int64_t handed_over = NowNs();
		if (own_server)
			played.WatchFrom(handed_over);
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
		if (own_server) {
			const int64_t first = played.FirstWatched(std::chrono::seconds(5));
			const int64_t last = played.LastSoundOnceQuietFor(std::chrono::milliseconds(300),
			                                                  std::chrono::seconds(5));
			if (first != 0 && last != 0) {
				played_audio.push_back(Ms(first - handed_over));
				played_silence.push_back(Ms(std::max<int64_t>(0, last - key_down)));
			}
		}
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
	if (on_pipewire) {
		// While the stream still exists: its errors over the whole run.
		std::printf("PipeWire's graph at the end of the run:\n");
		std::fflush(stdout);
		ShowPipeWireGraph({});
	}
	if (!played_audio.empty()) {
		Report("TextData to first sample the sink played", played_audio, 50);
		Report("key down to silence the sink played", played_silence, 20);
	}
	if (own_server && played_audio.size() < 20)
		std::printf("%zu of 20 runs not timed at the sink (no sound, or no silence)\n",
		            20 - played_audio.size());
	ReleaseSpeechObjects();
	OpenAlDevice::Close();
	return 0;
}

// A speech-dispatcher of the bench's own on the sound server `env` names,
// with the espeak-ng module; `module_settings` are added to the module's
// configuration, `server_settings` to the server's.
class SpeechServer
{
public:
	SpeechServer(const std::string &folder, const std::vector<std::string> &env,
	             const std::string &server_settings, const std::string &module_settings)
	    : folder_(folder)
	{
		std::error_code error;
		std::filesystem::remove_all(folder_ + "/conf", error);
		std::filesystem::copy("/etc/speech-dispatcher", folder_ + "/conf",
		                      std::filesystem::copy_options::recursive, error);
		std::filesystem::create_directories(folder_ + "/log", error);
		{
			std::ofstream conf(folder_ + "/conf/speechd.conf", std::ios::app);
			conf << "AudioOutputMethod \"pulse\"\nDefaultModule espeak-ng\nLogDir \"" << folder_
			     << "/log\"\n"
			     << server_settings;
		}
		{
			std::ofstream module(folder_ + "/conf/modules/espeak-ng.conf", std::ios::app);
			module << module_settings;
		}
		std::filesystem::remove(Socket(), error);
		if (Run({"speech-dispatcher", "-s", "-t", "0", "-C", folder_ + "/conf", "-S", Socket()}, env,
		        &server_) != 0)
			server_ = 0;
	}
	~SpeechServer() { Stop(server_); }
	std::string Socket() const { return folder_ + "/speechd.sock"; }
	bool Up() const { return server_ > 0 && WaitForFile(Socket()); }

private:
	std::string folder_;
	pid_t server_ = 0;
};

// The desktop voice's figures as the shell speaks: SpeakAsync and StopSpeech
// through SpeechDispatcherVoice, timed by what the sound server plays.
int MeasureSpeechDispatcher(const std::string &folder, const std::vector<std::string> &env, const char *label,
                            const std::string &server_settings, const std::string &module_settings)
{
	std::printf("-- speech-dispatcher, espeak-ng module: %s\n", label);
	std::fflush(stdout);
	SpeechServer server(folder, env, server_settings, module_settings);
	if (!server.Up()) {
		std::printf("failed: speech-dispatcher did not open its socket\n");
		return 1;
	}
	PlayedSound played;
	if (!played.Start(env, std::find(env.begin(), env.end(), "VELIRA_BENCH_PIPEWIRE=1") != env.end())) {
		std::printf("failed: the recorder cannot be started\n");
		return 1;
	}
	BenchPump pump;
	services().pump = &pump;
	SpeechDispatcherVoice voice([&pump](std::function<void()> message) { pump.Post(std::move(message)); },
	                            server.Socket());
	services().voice5 = &voice;
	ConnectVoice5();
	useSapi5 = true;
	voiceReady = true;
	voiceAllowed = true;
	const std::string sentence =
	    Cp1250FromUtf8("Nepriateľská loď je na pravej strane, vzdialenosť tri míle.");
	// The module and its sound stream start with the first text.
	SpeakAndWait(sentence);
	played.LastSoundOnceQuietFor(std::chrono::milliseconds(300), std::chrono::seconds(10));

	std::vector<double> to_answer, to_begin, begin_to_heard, heard, key_to_answer, key_to_end,
	    end_to_silence, silence;
	int lost = 0;
	for (int run = 0; run < 20; ++run) {
		const int64_t handed_over = NowNs();
		SpeakAsync(sentence);
		const int64_t answered = NowNs();
		pump.WaitUntil(sapi5Speaking);
		const int64_t begun = NowNs();
		const int64_t first = played.FirstSoundAfter(handed_over, std::chrono::seconds(5));
		if (first == 0) {
			++lost;
			continue;
		}
		to_answer.push_back(Ms(answered - handed_over));
		to_begin.push_back(Ms(begun - handed_over));
		begin_to_heard.push_back(Ms(first - begun));
		heard.push_back(Ms(first - handed_over));

		std::this_thread::sleep_for(std::chrono::milliseconds(300));
		pump.ProcessPendingMessages();
		const int64_t key_down = NowNs();
		StopSpeech();
		const int64_t cancelled = NowNs();
		pump.WaitWhile(sapi5Speaking);
		const int64_t ended = NowNs();
		const int64_t last =
		    played.LastSoundOnceQuietFor(std::chrono::milliseconds(300), std::chrono::seconds(5));
		if (last == 0) {
			++lost;
			continue;
		}
		key_to_answer.push_back(Ms(cancelled - key_down));
		key_to_end.push_back(Ms(ended - key_down));
		end_to_silence.push_back(Ms(std::max<int64_t>(0, last - ended)));
		silence.push_back(Ms(std::max<int64_t>(0, last - key_down)));
	}
	voice.Close();
	services().voice5 = nullptr;
	useSapi5 = false;
	if (heard.empty() || silence.empty()) {
		std::printf("failed: nothing was heard\n");
		return 1;
	}
	Report("text to the server's answer (the shell waits)", to_answer, 50);
	Report("text to the begin notification", to_begin, 50);
	Report("begin notification to first sample heard", begin_to_heard, 50);
	Report("text to first sample heard", heard, 50);
	Report("key down to the cancel's answer (the shell waits)", key_to_answer, 30);
	Report("key down to the end notification", key_to_end, 30);
	Report("end notification to silence heard", end_to_silence, 30);
	Report("key down to silence heard", silence, 30);
	if (lost > 0)
		std::printf("%d of 20 runs not measured (no sound, or no silence)\n", lost);
	return 0;
}

// speech-dispatcher with the system's configuration and with what a user
// can set to make it faster: shorter espeak-ng chunks, a shorter PulseAudio
// buffer.
int MeasureSpeechDispatcherVariants(const std::string &folder, const std::vector<std::string> &env)
{
	int failures = MeasureSpeechDispatcher(folder, env, "Debian's configuration", "", "");
	failures +=
	    MeasureSpeechDispatcher(folder, env, "EspeakAudioChunkSize 20", "", "EspeakAudioChunkSize 20\n");
	failures += MeasureSpeechDispatcher(folder, env, "EspeakAudioChunkSize 20, AudioPulseMinLength 5",
	                                    "AudioPulseMinLength 5\n", "EspeakAudioChunkSize 20\n");
	return failures;
}

// The figures on each driver, each in a process of its own: OpenAL Soft
// picks its driver once per process.
// `desktop_voice_only`: only speech-dispatcher, on PulseAudio.
int MeasureOnEveryDriver(const std::string &self, bool desktop_voice_only)
{
	const std::string folder = PrivateFolder();
	if (folder.empty())
		return 1;
	int failures = 0;
	if (!desktop_voice_only) {
		std::printf("== OpenAL Soft null driver\n");
		std::fflush(stdout);
		failures += Run({self, "--here"}, {"ALSOFT_DRIVERS=null"}) != 0;
		std::printf("== OpenAL Soft wave driver (recording into a file)\n");
		std::fflush(stdout);
		{
			std::FILE *config = std::fopen((folder + "/alsoft.conf").c_str(), "w");
			if (config != nullptr) {
				std::fprintf(config, "[wave]\nfile=%s/heard.wav\n", folder.c_str());
				std::fclose(config);
			}
		}
		failures += Run({self, "--here"},
		                {"ALSOFT_DRIVERS=wave", "ALSOFT_CONF=" + folder + "/alsoft.conf"}) != 0;
	}

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
			if (!desktop_voice_only) {
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
			failures += MeasureSpeechDispatcherVariants(folder, env);
		}
		Stop(server);
	}
	std::error_code error;
	std::filesystem::remove_all(folder, error);
	return failures == 0 ? 0 : 1;
}

// The same on PipeWire: a private pipewire, wireplumber (on a D-Bus bus of
// its own) and pipewire-pulse, with a null sink: OpenAL Soft through its own
// PipeWire output where it has one, and through pipewire-pulse, as
// speech-dispatcher plays.
int MeasureOnPipeWire(const std::string &self, bool openal_only)
{
	const std::string folder = PrivateFolder();
	if (folder.empty())
		return 1;
	const std::vector<std::string> private_env = {"HOME=" + folder, "XDG_RUNTIME_DIR=" + folder,
	                                              "XDG_CONFIG_HOME=" + folder,
	                                              "DBUS_SESSION_BUS_ADDRESS="};
	int failures = 0;
	pid_t pipewire = 0, session = 0, pulse = 0;
	const std::string socket = folder + "/pulse/native";
	if (Run({"pipewire"}, private_env, &pipewire) != 0 || !WaitForFile(folder + "/pipewire-0") ||
	    Run({"dbus-run-session", "--", "wireplumber"}, private_env, &session) != 0 ||
	    Run({"pipewire-pulse"}, private_env, &pulse) != 0 || !WaitForFile(socket)) {
		std::printf("skipped: PipeWire cannot be started (Debian's pipewire, wireplumber and "
		            "pipewire-pulse)\n");
		++failures;
	} else {
		std::vector<std::string> env = private_env;
		env.push_back("PULSE_SERVER=unix:" + socket);
		// pactl prints the module's number: not a figure.
		const int quiet = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
		Run({"pactl", "load-module", "module-null-sink", "sink_name=null"}, env, nullptr, quiet);
		Run({"pactl", "set-default-sink", "null"}, env, nullptr, quiet);
		::close(quiet);
		// OpenAL Soft 1.23 and later play on PipeWire through an output of
		// their own; older ones (Debian 12's 1.19) only through
		// pipewire-pulse. Each route quiet, then with the other cores busy.
		for (const std::string driver : {"pipewire", "pulse"}) {
			std::vector<std::string> route = env;
			route.push_back("ALSOFT_DRIVERS=" + driver);
			route.push_back("VELIRA_BENCH_PIPEWIRE=1");
			for (const bool busy : {false, true}) {
				std::printf("== PipeWire (a server of its own, null sink), OpenAL Soft "
				            "through %s%s\n",
				            driver == "pipewire" ? "its own PipeWire output"
				                                 : "pipewire-pulse",
				            busy ? ", the other cores kept busy" : "");
				std::fflush(stdout);
				std::atomic<bool> burn{busy};
				std::vector<std::thread> burners;
				const unsigned cores = std::thread::hardware_concurrency();
				for (unsigned i = 0; busy && i < std::max(1u, cores > 1 ? cores - 1 : 1u);
				     ++i)
					burners.emplace_back([&burn] {
						volatile uint64_t spins = 0;
						while (burn.load(std::memory_order_relaxed))
							spins = spins + 1;
					});
				const int status = Run({self, "--here"}, route);
				burn = false;
				for (std::thread &burner : burners)
					burner.join();
				if (status != 0 && driver == "pipewire") {
					std::printf("OpenAL Soft has no PipeWire output here\n");
					break;
				}
				failures += status != 0;
			}
		}
		if (!openal_only) {
			env.push_back("ALSOFT_DRIVERS=pulse");
			env.push_back("VELIRA_BENCH_PIPEWIRE=1");
			const PipeWireGraphShown graph(env, std::chrono::seconds(3));
			failures += MeasureSpeechDispatcherVariants(folder, env);
		}
	}
	Stop(pulse);
	Stop(session);
	Stop(pipewire);
	std::error_code error;
	std::filesystem::remove_all(folder, error);
	return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
	const std::string mode = argc > 1 ? argv[1] : "";
	if (mode == "--here")
		return MeasureHere();
	std::error_code error;
	std::string self = std::filesystem::read_symlink("/proc/self/exe", error).string();
	if (error)
		self = argv[0];
	if (mode == "--pipewire")
		return MeasureOnPipeWire(self, argc > 2 && std::string_view(argv[2]) == "--openal");
	return MeasureOnEveryDriver(self, mode == "--desktop-voice");
}
