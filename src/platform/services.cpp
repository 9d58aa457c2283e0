#include "platform/services.h"

#include "platform/error.h"

namespace velira
{

namespace
{

template <typename Service> Service &Require(Service *service, const char *what)
{
	if (service == nullptr)
		throw ShellError(std::string("The shell has no ") + what + " connected");
	return *service;
}

} // namespace

Services &services()
{
	static Services instance;
	return instance;
}

MessagePump &Services::Pump() const
{
	return Require(pump, "message loop");
}

Clock &Services::ClockService() const
{
	return Require(clock, "clock");
}

Timer &Services::MainTimer() const
{
	return Require(timer, "main window timer");
}

KeyState &Services::Keys() const
{
	return Require(keys, "keyboard state");
}

RandomSource &Services::Random() const
{
	return Require(random, "random generator");
}

Desktop &Services::DesktopService() const
{
	return Require(desktop, "desktop");
}

SpeechVoice &Services::Voice5() const
{
	return Require(voice5, "desktop voice");
}

AudioMixer &Services::Mixer() const
{
	return Require(mixer, "sound mixer");
}

ReviewWindow &Services::Review() const
{
	return Require(reviewWindow, "screen review window");
}

void Services::ToneStatement(const std::vector<double> &notes, double duration, double instrument) const
{
	if (!toneStatement)
		throw ShellError("The shell has no tone statement connected");
	toneStatement(notes, duration, instrument);
}

} // namespace velira
