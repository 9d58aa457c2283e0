#include "platform/adapters/openal_device.h"

#include "platform/whole_file.h"

#include <AL/alext.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace velira
{

namespace
{
ALCdevice *g_device = nullptr;
ALCcontext *g_context = nullptr;
std::recursive_mutex g_call_mutex;

// Without any sound output (no sound card, no sound server) OpenAL Soft
// cannot open its default device and does not fall back to its null driver
// by itself. The shell then renders a loopback device in real time and
// discards the output, so that sounds still take their time and end.
constexpr ALCint kLoopbackRate_hz = 44100;
constexpr int kLoopbackSlice_ms = 10;
std::thread g_render_thread;
std::atomic<bool> g_rendering{false};

ALCdevice *OpenLoopback()
{
	if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") == ALC_FALSE)
		return nullptr;
	auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
	    alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
	return open != nullptr ? open(nullptr) : nullptr;
}

void StopRendering();

void StartRendering(ALCdevice *device)
{
	auto render =
	    reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(device, "alcRenderSamplesSOFT"));
	if (render == nullptr)
		return;
	g_rendering = true;
	// The rendering ends with the process when nobody closes the device.
	static const bool stop_at_exit = std::atexit(StopRendering) == 0;
	(void)stop_at_exit;
	g_render_thread = std::thread([device, render] {
		constexpr ALCsizei frames = kLoopbackRate_hz * kLoopbackSlice_ms / 1000;
		std::vector<int16_t> discarded(static_cast<size_t>(frames) * 2);
		auto next = std::chrono::steady_clock::now();
		while (g_rendering) {
			render(device, discarded.data(), frames);
			next += std::chrono::milliseconds(kLoopbackSlice_ms);
			std::this_thread::sleep_until(next);
		}
	});
}

void StopRendering()
{
	g_rendering = false;
	if (g_render_thread.joinable())
		g_render_thread.join();
}

std::string_view Trimmed(std::string_view text)
{
	while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
		text.remove_prefix(1);
	while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
		text.remove_suffix(1);
	return text;
}

std::string Lowercase(std::string_view text)
{
	std::string lower(text);
	for (char &ch : lower)
		ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
	return lower;
}

// Hands `text` to OpenAL Soft as a configuration file without writing one
// to disk: an anonymous memory file, named through /proc. -1 on failure.
int MemoryFile(const std::string &text)
{
	const int fd = ::memfd_create("velira-alsoft.conf", MFD_CLOEXEC);
	if (fd < 0)
		return -1;
	size_t written = 0;
	while (written < text.size()) {
		const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
		if (n <= 0) {
			::close(fd);
			return -1;
		}
		written += static_cast<size_t>(n);
	}
	return fd;
}

// Makes OpenAL Soft read its configuration now: it does so when it opens
// its first device, and a loopback device opens without any sound output.
void LoadOpenAlConfiguration()
{
	if (alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback") == ALC_FALSE)
		return;
	if (ALCdevice *device = OpenLoopback())
		alcCloseDevice(device);
}

// True when `config_text` gives one of `keys` a value in `wanted_section`
// ("general" also holds the keys before any section header).
bool ConfigSets(std::string_view config_text, std::string_view wanted_section,
                std::initializer_list<std::string_view> keys)
{
	std::string section = "general";
	std::istringstream lines{std::string(config_text)};
	std::string raw;
	while (std::getline(lines, raw)) {
		std::string_view line = Trimmed(raw);
		if (line.empty())
			continue;
		if (line.front() == '[') {
			const size_t end = line.find(']');
			section = Lowercase(Trimmed(
			    line.substr(1, end == std::string_view::npos ? line.size() - 1 : end - 1)));
			continue;
		}
		line = line.substr(0, line.find('#'));
		const size_t equals = line.find('=');
		if (equals == std::string_view::npos || section != wanted_section)
			continue;
		const std::string key = Lowercase(Trimmed(line.substr(0, equals)));
		std::string_view value = Trimmed(line.substr(equals + 1));
		if (value == "\"\"" || value == "''")
			value = {};
		if (!value.empty() && std::find(keys.begin(), keys.end(), key) != keys.end())
			return true;
	}
	return false;
}

} // namespace

bool ConfigSetsDeviceBuffer(std::string_view config_text)
{
	return ConfigSets(config_text, "general", {"period_size", "periods"});
}

std::string ShellOpenAlSettings(const std::vector<std::string> &config_texts)
{
	bool buffer_set = false;
	bool mixing_set = false;
	for (const std::string &text : config_texts) {
		buffer_set = buffer_set || ConfigSetsDeviceBuffer(text);
		mixing_set = mixing_set || ConfigSets(text, "pipewire", {"rt-mix"});
	}
	std::string settings;
	if (!buffer_set)
		settings += "\n[general]\nperiod_size=" + std::to_string(kDevicePeriodFrames) +
		            "\nperiods=" + std::to_string(kDevicePeriods) + "\n";
	if (!mixing_set)
		settings += "\n[pipewire]\nrt-mix=true\n";
	return settings;
}

std::vector<std::string> OpenAlConfigFiles()
{
	const auto env = [](const char *name) -> std::string {
		const char *value = std::getenv(name);
		return value != nullptr ? value : "";
	};
	std::vector<std::string> files{"/etc/openal/alsoft.conf"};
	std::string dirs = env("XDG_CONFIG_DIRS");
	if (dirs.empty())
		dirs = "/etc/xdg";
	// The first folder listed is the most important, so it is read last.
	std::vector<std::string> listed;
	std::istringstream folders(dirs);
	for (std::string folder; std::getline(folders, folder, ':');) {
		if (!folder.empty() && folder.front() == '/')
			listed.push_back(folder);
	}
	for (auto it = listed.rbegin(); it != listed.rend(); ++it)
		files.push_back(*it + "/alsoft.conf");
	const std::string home = env("HOME");
	if (!home.empty())
		files.push_back(home + "/.alsoftrc");
	if (!env("XDG_CONFIG_HOME").empty())
		files.push_back(env("XDG_CONFIG_HOME") + "/alsoft.conf");
	else if (!home.empty())
		files.push_back(home + "/.config/alsoft.conf");
	std::error_code error;
	const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
	if (!error)
		files.push_back((executable.parent_path() / "alsoft.conf").string());
	if (!env("ALSOFT_CONF").empty())
		files.push_back(env("ALSOFT_CONF"));
	return files;
}

void OpenAlDevice::PrepareShortBuffer()
{
	std::vector<std::string> texts;
	for (const std::string &path : OpenAlConfigFiles()) {
		if (std::optional<std::string> text = ReadWholeFile(path))
			texts.push_back(std::move(*text));
	}
	const std::string settings = ShellOpenAlSettings(texts);
	if (settings.empty())
		return;
	// ALSOFT_CONF names one file, read after all the others. The shell puts
	// its own there for a moment: the user's file of that name, if any,
	// with the shell's settings added at its end.
	const char *user_file = std::getenv("ALSOFT_CONF");
	const std::optional<std::string> previous =
	    user_file != nullptr ? std::optional<std::string>(user_file) : std::nullopt;
	std::string config;
	if (previous && !previous->empty())
		config = ReadWholeFile(*previous).value_or("");
	config += settings;
	const int fd = MemoryFile(config);
	if (fd < 0)
		return;
	::setenv("ALSOFT_CONF", ("/proc/self/fd/" + std::to_string(fd)).c_str(), 1);
	LoadOpenAlConfiguration();
	if (previous)
		::setenv("ALSOFT_CONF", previous->c_str(), 1);
	else
		::unsetenv("ALSOFT_CONF");
	::close(fd);
}

namespace
{

// Reads `count` values of the device clock extension's `property` into
// `values`; false without the extension or on an error. The caller holds the
// call lock.
bool ReadDeviceClock(ALCenum property, ALCsizei count, ALCint64SOFT *values)
{
	if (g_device == nullptr || alcIsExtensionPresent(g_device, "ALC_SOFT_device_clock") == ALC_FALSE)
		return false;
	auto get =
	    reinterpret_cast<LPALCGETINTEGER64VSOFT>(alcGetProcAddress(g_device, "alcGetInteger64vSOFT"));
	if (get == nullptr)
		return false;
	get(g_device, property, count, values);
	return alcGetError(g_device) == ALC_NO_ERROR;
}

} // namespace

double OpenAlDevice::OutputLatencyMs()
{
	const auto calls = LockCalls();
	// The clock and the latency, read together.
	ALCint64SOFT clock_and_latency_ns[2] = {0, 0};
	if (!ReadDeviceClock(ALC_DEVICE_CLOCK_LATENCY_SOFT, 2, clock_and_latency_ns))
		return -1;
	return static_cast<double>(clock_and_latency_ns[1]) / 1e6;
}

int64_t OpenAlDevice::MixedNs()
{
	const auto calls = LockCalls();
	ALCint64SOFT clock_ns = 0;
	if (!ReadDeviceClock(ALC_DEVICE_CLOCK_SOFT, 1, &clock_ns))
		return -1;
	return clock_ns;
}

std::unique_lock<std::recursive_mutex> OpenAlDevice::LockCalls()
{
	return std::unique_lock(g_call_mutex);
}

bool OpenAlDevice::Open()
{
	const auto calls = LockCalls();
	if (g_device != nullptr)
		return true;
	bool loopback = false;
	g_device = alcOpenDevice(nullptr);
	if (g_device == nullptr) {
		g_device = OpenLoopback();
		loopback = true;
	}
	if (g_device == nullptr)
		return false;
	const ALCint loopback_attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
	                                      ALC_STEREO_SOFT,
	                                      ALC_FORMAT_TYPE_SOFT,
	                                      ALC_SHORT_SOFT,
	                                      ALC_FREQUENCY,
	                                      kLoopbackRate_hz,
	                                      0};
	g_context = alcCreateContext(g_device, loopback ? loopback_attributes : nullptr);
	if (g_context == nullptr || alcMakeContextCurrent(g_context) == ALC_FALSE) {
		if (g_context != nullptr)
			alcDestroyContext(g_context);
		alcCloseDevice(g_device);
		g_context = nullptr;
		g_device = nullptr;
		return false;
	}
	if (loopback)
		StartRendering(g_device);
	return true;
}

bool OpenAlDevice::IsOpen()
{
	return g_device != nullptr;
}

void OpenAlDevice::Close()
{
	const auto calls = LockCalls();
	if (g_device == nullptr)
		return;
	StopRendering();
	alcMakeContextCurrent(nullptr);
	alcDestroyContext(g_context);
	alcCloseDevice(g_device);
	g_context = nullptr;
	g_device = nullptr;
}

ALCdevice *OpenAlDevice::Device()
{
	return g_device;
}

} // namespace velira
