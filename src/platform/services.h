#pragma once

#include <functional>

namespace velira
{

class MessagePump;
class Clock;
class Timer;
class KeyState;
class RandomSource;
class Desktop;
class TtsObjectFactory;
class SpeechVoice;
class AudioMixer;
class BrailleDisplay;

// The platform services the core talks to. The process entry fills them with
// the Qt adapters; tests fill them with fakes. Nothing in the core owns them.
struct Services {
	MessagePump *pump = nullptr;
	Clock *clock = nullptr;
	Timer *timer = nullptr; // the main window's Timer
	KeyState *keys = nullptr;
	RandomSource *random = nullptr;
	Desktop *desktop = nullptr;
	// The older speech interface's object creation, and the newer one's voice.
	TtsObjectFactory *speechObjects = nullptr;
	SpeechVoice *voice5 = nullptr;
	// Runs a message later on the user-interface thread; the speech engines
	// deliver their notifications through it from their own threads.
	std::function<void(std::function<void()>)> postToUi;
	AudioMixer *mixer = nullptr; // the sound mixer the sound bank plays through
	// The refreshable braille display; null when the shell has none.
	BrailleDisplay *brailleDisplay = nullptr;
};

Services &services();

} // namespace velira
