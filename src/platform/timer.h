#pragma once

#include <functional>

namespace velira
{

// The main window's message-loop timer. It fires on the user-interface thread,
// from inside the message loop, every interval until it is stopped.
class Timer
{
public:
	virtual ~Timer() = default;

	// Arms the timer. An interval of 0 never fires: the original control
	// ignored it, and the tone statement relies on that to sound a note until
	// a key is pressed.
	virtual void Start(int interval_ms) = 0;
	virtual void Stop() = 0;
	virtual bool IsActive() const = 0;

	// Called on every expiry.
	void SetHandler(std::function<void()> handler) { handler_ = std::move(handler); }

protected:
	void Fire()
	{
		if (handler_)
			handler_();
	}

private:
	std::function<void()> handler_;
};

} // namespace velira
