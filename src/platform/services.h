#pragma once

namespace velira
{

class MessagePump;
class Clock;
class Timer;
class KeyState;
class RandomSource;
class Desktop;
class AudioMixer;

// The platform services the core talks to. The process entry fills them with
// the Qt adapters; tests fill them with fakes. Nothing in the core owns them.
struct Services {
	MessagePump *pump = nullptr;
	Clock *clock = nullptr;
	Timer *timer = nullptr; // the main window's Timer
	KeyState *keys = nullptr;
	RandomSource *random = nullptr;
	Desktop *desktop = nullptr;
	AudioMixer *mixer = nullptr; // the sound mixer the sound bank plays through
};

Services &services();

} // namespace velira
