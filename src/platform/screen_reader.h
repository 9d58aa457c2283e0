#pragma once

namespace velira
{

// Whether a screen reader presents the desktop to the user now. The answer
// follows a screen reader that starts or stops while the shell runs.
class ScreenReaderWatch
{
public:
	virtual ~ScreenReaderWatch() = default;
	virtual bool ScreenReaderRunning() const = 0;
};

} // namespace velira
