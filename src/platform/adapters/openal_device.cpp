#include "platform/adapters/openal_device.h"

#include <AL/alext.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

namespace velira
{

namespace
{
ALCdevice *g_device = nullptr;
ALCcontext *g_context = nullptr;

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
} // namespace

bool OpenAlDevice::Open()
{
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
