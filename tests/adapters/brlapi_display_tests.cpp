// The BrlAPI display adapter against servers it cannot use: none, one that
// closes every connection, one that never answers and one that answers only
// after the shell has gone. The windows are never held up, nothing is
// reported connected, and the shell's way out neither waits for a connection
// attempt that hangs nor lets it reach the user interface afterwards.
#include "input/adapters/brlapi_display.h"

#include <brlapi_protocol.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velira
{
namespace
{

using Clock = std::chrono::steady_clock;
// Only a hang takes this long.
constexpr int kHang_ms = 30000;

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

// A BrlAPI server of the test's own on a free loopback port (BrlAPI's TCP
// port is 4101 plus the host number), named to the display through
// BRLAPI_HOST for the life of the object. It speaks only when told to.
class LoopbackServer
{
public:
	LoopbackServer()
	{
		listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
		sockaddr_in address{};
		address.sin_family = AF_INET;
		address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
		for (int n = 300; n < 400 && number_ < 0 && listener_ >= 0; ++n) {
			address.sin_port = htons(static_cast<uint16_t>(4101 + n));
			if (::bind(listener_, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0)
				number_ = n;
		}
		if (number_ >= 0 && ::listen(listener_, 8) == 0) {
			host_ = std::make_unique<ScopedEnvironment>(
			    "BRLAPI_HOST", ("127.0.0.1:" + std::to_string(number_)).c_str());
			key_ = std::make_unique<ScopedEnvironment>("BRLAPI_AUTH", "none");
		}
	}
	~LoopbackServer()
	{
		if (listener_ >= 0)
			::close(listener_);
	}

	bool Listening() const { return host_ != nullptr; }

	// The next connection, or -1 when none comes (a hang).
	int Accept() const
	{
		pollfd ready{listener_, POLLIN, 0};
		if (::poll(&ready, 1, kHang_ms) <= 0)
			return -1;
		return ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
	}

private:
	int listener_ = -1;
	int number_ = -1;
	std::unique_ptr<ScopedEnvironment> host_;
	std::unique_ptr<ScopedEnvironment> key_;
};

// BrlAPI's packets: the payload's size and the type, both 32 bits in
// network order, then the payload.
bool SendPacket(int fd, uint32_t type, const std::vector<uint32_t> &words)
{
	std::vector<uint32_t> packet{htonl(static_cast<uint32_t>(words.size() * 4)), htonl(type)};
	for (const uint32_t word : words)
		packet.push_back(htonl(word));
	const size_t size = packet.size() * 4;
	return ::send(fd, packet.data(), size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
}

bool ReadExactly(int fd, void *data, size_t size)
{
	auto *bytes = static_cast<unsigned char *>(data);
	while (size > 0) {
		pollfd ready{fd, POLLIN, 0};
		if (::poll(&ready, 1, kHang_ms) <= 0)
			return false;
		const ssize_t n = ::read(fd, bytes, size);
		if (n <= 0)
			return false;
		bytes += n;
		size -= static_cast<size_t>(n);
	}
	return true;
}

// The type of the client's next packet; -1 once the client has closed the
// connection (or after a hang).
int64_t ReceivePacket(int fd)
{
	uint32_t header[2];
	if (!ReadExactly(fd, header, sizeof header))
		return -1;
	std::vector<unsigned char> payload(ntohl(header[0]));
	if (!payload.empty() && !ReadExactly(fd, payload.data(), payload.size()))
		return -1;
	return ntohl(header[1]);
}

// Counts what the display posts; the count outlives the display.
struct PostCounter {
	std::shared_ptr<std::atomic<int>> posted = std::make_shared<std::atomic<int>>(0);
	BrlapiDisplay::Post Post() const
	{
		return [posted = posted](std::function<void()>) { ++*posted; };
	}
};

TEST(BrlapiDisplayTest, WithoutAServerNothingBlocksAndNothingConnects)
{
	PostCounter counter;
	{
		// A local host number that no server serves: each attempt fails at once.
		const ScopedEnvironment host("BRLAPI_HOST", ":998");
		BrlapiDisplay display(counter.Post(), 10);
		display.EnterTtyMode();
		display.Write({{'a', 1}}, 0);
		display.LeaveTtyMode();
		EXPECT_EQ(display.CellCount(), 0);
	}
	{
		// A server that closes every connection: several attempts go by, and
		// none reaches the user interface.
		const LoopbackServer server;
		ASSERT_TRUE(server.Listening()) << "no free port";
		BrlapiDisplay display(counter.Post(), 10);
		display.Write({{'a', 1}}, 0);
		for (int attempt = 0; attempt < 3; ++attempt) {
			const int connection = server.Accept();
			ASSERT_GE(connection, 0) << "the worker tries again";
			::close(connection);
		}
		EXPECT_EQ(display.CellCount(), 0);
	}
	EXPECT_EQ(counter.posted->load(), 0);
}

TEST(BrlapiDisplayTest, AServerThatAnswersAfterTheWayOutReachesNothing)
{
	// A server that takes the connection and says nothing until the display
	// has gone (a far host, a stopped BRLTTY): the worker waits inside the
	// library's handshake.
	const LoopbackServer server;
	ASSERT_TRUE(server.Listening()) << "no free port";
	PostCounter counter;
	auto display = std::make_unique<BrlapiDisplay>(counter.Post());
	const int connection = server.Accept();
	ASSERT_GE(connection, 0) << "the worker connects";
	const auto closing = Clock::now();
	display.reset();
	EXPECT_LT(Clock::now() - closing, std::chrono::milliseconds(kHang_ms))
	    << "the way out waited for the server";

	// Now it answers: the handshake, no authorization, then a display of 40
	// cells. The worker left behind learns of it but must post nothing: the
	// application it would post to has gone.
	ASSERT_TRUE(SendPacket(connection, BRLAPI_PACKET_VERSION, {BRLAPI_PROTOCOL_VERSION}));
	ASSERT_EQ(ReceivePacket(connection), BRLAPI_PACKET_VERSION);
	ASSERT_TRUE(SendPacket(connection, BRLAPI_PACKET_AUTH, {BRLAPI_AUTH_NONE}));
	bool size_asked = false;
	for (int64_t type = ReceivePacket(connection); type >= 0; type = ReceivePacket(connection)) {
		if (type == BRLAPI_PACKET_GETDISPLAYSIZE) {
			size_asked = true;
			SendPacket(connection, BRLAPI_PACKET_GETDISPLAYSIZE, {40, 1});
		}
	}
	// The worker has closed the connection: it has done all it will do. Had
	// the handshake gone astray, it would never have learnt the size, and
	// the count below would prove nothing.
	::close(connection);
	ASSERT_TRUE(size_asked) << "the worker never asked for the display's size";
	EXPECT_EQ(counter.posted->load(), 0) << "the worker posted after the display had gone";
}

} // namespace
} // namespace velira
