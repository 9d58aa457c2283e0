// The BrlAPI display adapter without a server it can reach: the windows are
// never held up, nothing is reported connected, and the shell's way out
// does not wait for a connection attempt that hangs.
#include "input/adapters/brlapi_display.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velira
{
namespace
{

using Clock = std::chrono::steady_clock;

// Sets an environment variable for the life of the object.
class ScopedEnvironment
{
public:
	ScopedEnvironment(const char *name, const char *value) : name_(name)
	{
		if (const char *old = std::getenv(name))
			old_ = old;
		setenv(name, value, 1);
	}
	~ScopedEnvironment()
	{
		if (old_.empty())
			unsetenv(name_);
		else
			setenv(name_, old_.c_str(), 1);
	}

private:
	const char *name_;
	std::string old_;
};

TEST(BrlapiDisplayTest, WithoutAServerNothingBlocksAndNothingConnects)
{
	// A local host number that no server serves: each attempt fails at once.
	const ScopedEnvironment host("BRLAPI_HOST", ":998");
	std::atomic<int> posted{0};
	const auto created = Clock::now();
	{
		BrlapiDisplay display([&posted](std::function<void()>) { ++posted; }, 10);
		display.EnterTtyMode();
		display.Write({{'a', 1}}, 0);
		display.LeaveTtyMode();
		EXPECT_EQ(display.CellCount(), 0);
		// Several attempts go by; none reaches the user interface.
		const auto until = Clock::now() + std::chrono::milliseconds(100);
		while (Clock::now() < until)
			std::this_thread::yield();
	}
	EXPECT_EQ(posted.load(), 0);
	EXPECT_LT(Clock::now() - created, std::chrono::seconds(5));
}

TEST(BrlapiDisplayTest, TheWayOutDoesNotWaitForAServerThatNeverAnswers)
{
	// A server that takes the connection and never says a word: the worker
	// waits inside the library's handshake. BrlAPI's TCP port is 4101 plus
	// the host number.
	const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
	ASSERT_GE(listener, 0);
	sockaddr_in address{};
	address.sin_family = AF_INET;
	address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
	int number = -1;
	for (int n = 300; n < 400 && number < 0; ++n) {
		address.sin_port = htons(static_cast<uint16_t>(4101 + n));
		if (::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0)
			number = n;
	}
	ASSERT_GE(number, 0) << "no free port";
	ASSERT_EQ(::listen(listener, 4), 0);
	const std::string host = "127.0.0.1:" + std::to_string(number);
	const ScopedEnvironment server("BRLAPI_HOST", host.c_str());
	const ScopedEnvironment key("BRLAPI_AUTH", "none");

	auto display = std::make_unique<BrlapiDisplay>([](std::function<void()>) {});
	const int accepted = ::accept(listener, nullptr, nullptr);
	ASSERT_GE(accepted, 0) << "the worker connects";
	const auto closing = Clock::now();
	display.reset();
	EXPECT_LT(Clock::now() - closing, std::chrono::seconds(30)) << "the worker is left to end on its own";
	// The silent server goes: the worker's attempt fails and its thread ends.
	::close(accepted);
	::close(listener);
}

} // namespace
} // namespace velira
