#include "platform/adapters/openal_device.h"

namespace velira
{

namespace
{
ALCdevice *g_device = nullptr;
ALCcontext *g_context = nullptr;
} // namespace

bool OpenAlDevice::Open()
{
	if (g_device != nullptr)
		return true;
	g_device = alcOpenDevice(nullptr);
	if (g_device == nullptr)
		return false;
	g_context = alcCreateContext(g_device, nullptr);
	if (g_context == nullptr || alcMakeContextCurrent(g_context) == ALC_FALSE) {
		if (g_context != nullptr)
			alcDestroyContext(g_context);
		alcCloseDevice(g_device);
		g_context = nullptr;
		g_device = nullptr;
		return false;
	}
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
