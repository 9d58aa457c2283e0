#pragma once

#include "platform/listeners.h"

namespace velira
{

// Whether a screen reader presents the desktop to the user: unknown until
// the session's buses have answered.
enum class ScreenReaderPresence { kUnknown, kAbsent, kPresent };

// Whether a screen reader presents the desktop to the user now. The answer
// comes after the shell has started and follows a screen reader that starts
// or stops while the shell runs.
class ScreenReaderWatch
{
public:
	virtual ~ScreenReaderWatch() = default;
	virtual ScreenReaderPresence Presence() const = 0;
	bool ScreenReaderRunning() const { return Presence() == ScreenReaderPresence::kPresent; }
	// Told, on the user-interface thread, whenever Presence() changes.
	Listeners changed;
};

} // namespace velira
