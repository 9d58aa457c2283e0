#pragma once

#include "platform/listeners.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

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
class ReviewWindow;
class ScreenReaderWatch;

// The one wiring object of the shell: the platform services the core talks
// to, and what the windows and the process entry hand the core. The process
// entry fills the services with the Qt adapters, tests with fakes; the
// windows fill their own slots when they are created and empty them when
// they go. Nothing in the core owns any of them.
//
// The core reaches a service through its checked accessor: a service that
// nobody connected is a ShellError naming it, never a null pointer and never
// a wait that cannot end.
struct Services {
	MessagePump *pump = nullptr;
	Clock *clock = nullptr;
	Timer *timer = nullptr; // the main window's Timer
	KeyState *keys = nullptr;
	RandomSource *random = nullptr;
	Desktop *desktop = nullptr;
	// The older speech interface's object creation (null: no engines, the
	// voice is not allowed), and the newer one's voice.
	TtsObjectFactory *speechObjects = nullptr;
	SpeechVoice *voice5 = nullptr;
	AudioMixer *mixer = nullptr; // the sound mixer the sound bank plays through

	// What SpeakCharacter needs of the keyboard file and the letter classes:
	// the spoken name of a character (nothing when no slot holds it), and
	// whether it is a capital. Unset, every character is spoken as itself and
	// only A..Z are capitals.
	std::function<std::optional<std::string>(uint8_t code)> echoNameLookup;
	std::function<bool(uint8_t code)> capitalLetterTest;
	// The runtime's tone statement (SoundStatement), for what lies below the
	// runtime and sounds it: speech its tone before a capital letter, the
	// sounds dialog its preview. The runtime prints and speaks through
	// speech, so they reach its tone through the wiring instead.
	std::function<void(const std::vector<double> &notes, double duration, double instrument)>
	    toneStatement;
	// The voice dialog's selection, run when the sounds dialog allows the
	// voice: fill the voice list, select the voice, save its settings.
	std::function<void()> allowVoice;
	// Releases the sound objects (mixer and wave list) on the way out; their
	// owner sets it when it creates them.
	std::function<void()> releaseSoundObjects;
	// Whether a screen reader runs; null: none is ever looked for.
	ScreenReaderWatch *screenReader = nullptr;
	// The screen review window, which OpenScreenReview shows.
	ReviewWindow *reviewWindow = nullptr;
	// Called after every change of the screen buffer: the main window shows
	// it, the braille display and the tests' transcripts follow it.
	Listeners screenChanged;

	MessagePump &Pump() const;
	Clock &ClockService() const;
	Timer &MainTimer() const;
	KeyState &Keys() const;
	RandomSource &Random() const;
	Desktop &DesktopService() const;
	SpeechVoice &Voice5() const;
	AudioMixer &Mixer() const;
	ReviewWindow &Review() const;
	void ToneStatement(const std::vector<double> &notes, double duration, double instrument) const;
};

Services &services();

} // namespace velira
