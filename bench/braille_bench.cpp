// From a print to the cells on the braille display: the print core, the
// rendering, the BrlAPI adapter's worker, a real BRLTTY with its TTY driver
// on a pseudo-terminal, until the new cells come out of that terminal.
//
// Usage: braille_bench [prints]   (BRLTTY must be installed; run as root or
// with /var/lib/BrlAPI writable)
#include "input/adapters/brlapi_display.h"
#include "input/braille_display.h"
#include "input/braille_tables.h"
#include "platform/services.h"
#include "runtime/screen.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace velira;
using SteadyClock = std::chrono::steady_clock;

namespace
{

// The user-interface thread of the benchmark: messages posted by the
// adapter's worker run here.
std::mutex g_mutex;
std::condition_variable g_posted;
std::deque<std::function<void()>> g_messages;

void Post(std::function<void()> message)
{
	{
		const std::lock_guard lock(g_mutex);
		g_messages.push_back(std::move(message));
	}
	g_posted.notify_one();
}

void RunMessages(int wait_ms)
{
	std::unique_lock lock(g_mutex);
	g_posted.wait_for(lock, std::chrono::milliseconds(wait_ms), [] { return !g_messages.empty(); });
	while (!g_messages.empty()) {
		auto message = std::move(g_messages.front());
		g_messages.pop_front();
		lock.unlock();
		message();
		lock.lock();
	}
}

pid_t StartBrltty(int master, const std::string &host, const std::string &folder)
{
	const std::string slave = ptsname(master);
	const pid_t pid = fork();
	if (pid == 0) {
		setenv("TERM", "vt100", 1);
		setenv("LC_ALL", "C.UTF-8", 1);
		const int null = open("/dev/null", O_RDWR);
		dup2(null, 0);
		dup2(null, 1);
		dup2(null, 2);
		execlp("brltty", "brltty", "-n", "-e", "-q", "-b", "tt", "-d", slave.c_str(), "-x", "no",
		       "-s", "no", "-A", ("auth=none,host=:" + host).c_str(), "-f", "/dev/null", "-W",
		       folder.c_str(), static_cast<char *>(nullptr));
		_exit(127);
	}
	return pid;
}

// Unicode braille cells (U+2800 to U+28FF, in UTF-8) in `seen` from `from`.
int BrailleCellsAfter(const std::string &seen, size_t from)
{
	int count = 0;
	for (size_t i = from; i + 2 < seen.size(); ++i)
		if (seen[i] == '\xE2' && (seen[i + 1] & 0xFC) == ('\xA0' & 0xFC))
			++count;
	return count;
}

// Reads the terminal until `wanted` (UTF-8) has been drawn after a clear,
// with the row of `cells` cells under it.
bool WaitForText(int master, const std::string &wanted, int cells, std::string &seen, int timeout_ms)
{
	const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeout_ms);
	while (SteadyClock::now() < deadline) {
		pollfd ready{master, POLLIN, 0};
		if (poll(&ready, 1, 5) > 0) {
			char buffer[65536];
			const ssize_t n = read(master, buffer, sizeof buffer);
			if (n > 0)
				seen.append(buffer, static_cast<size_t>(n));
		}
		const size_t clear = seen.rfind("\x1b[J");
		const size_t text = clear == std::string::npos ? clear : seen.find(wanted, clear);
		if (text != std::string::npos && BrailleCellsAfter(seen, text) >= cells) {
			seen.erase(0, clear);
			return true;
		}
	}
	return false;
}

} // namespace

int main(int argc, char **argv)
{
	const int prints = argc > 1 ? std::atoi(argv[1]) : 100;
	const std::string host = std::to_string(700 + getpid() % 200);
	const std::string folder = std::filesystem::temp_directory_path() / ("braille_bench." + host);
	std::filesystem::create_directories(folder);
	std::filesystem::create_directories("/var/lib/BrlAPI");
	setenv("BRLAPI_HOST", (":" + host).c_str(), 1);
	setenv("BRLAPI_AUTH", "none", 1);

	brailleTableFileName = std::string(VELIRA_SHIPPED_DATA) + "/czech.vbt";
	LoadBrailleTable();

	const int master = posix_openpt(O_RDWR | O_NOCTTY);
	grantpt(master);
	unlockpt(master);
	const pid_t brltty = StartBrltty(master, host, folder);

	int status = 1;
	{
		BrlapiDisplay display(Post, 50);
		brailleOutput().Attach(&display);
		ScreenLineContent line;
		brailleOutput().SetContent(&line);
		brailleOutput().SetFocused(true);
		Listeners::Subscription shown =
		    services().screenChanged.Add([] { brailleOutput().Refresh(); });

		const auto connect_deadline = SteadyClock::now() + std::chrono::seconds(20);
		while (display.CellCount() == 0 && SteadyClock::now() < connect_deadline)
			RunMessages(50);
		std::string seen;
		if (display.CellCount() == 0) {
			std::fprintf(stderr, "no connection to BRLTTY\n");
		} else {
			std::vector<double> latencies_ms;
			for (int i = 0; i < prints; ++i) {
				// Each print shows a new line of its own.
				const std::string text = "tisk " + std::to_string(i) + " hotovo";
				const auto start = SteadyClock::now();
				ScreenWrite(text);
				ScreenNewLine();
				if (!WaitForText(master, text, display.CellCount(), seen, 5000)) {
					std::fprintf(stderr, "print %d never reached the display\n", i);
					break;
				}
				latencies_ms.push_back(
				    std::chrono::duration<double, std::milli>(SteadyClock::now() - start)
				        .count());
				RunMessages(0);
			}
			if (!latencies_ms.empty()) {
				std::sort(latencies_ms.begin(), latencies_ms.end());
				const double median = latencies_ms[latencies_ms.size() / 2];
				const double maximum = latencies_ms.back();
				std::printf(
				    "Print to cells on the display, %zu prints: median %.2f ms, max %.2f ms "
				    "(goal < 20 ms; ratio %.2f / %.2f)\n",
				    latencies_ms.size(), median, maximum, median / 20.0, maximum / 20.0);
				status = latencies_ms.size() == static_cast<size_t>(prints) ? 0 : 1;
			}
		}
		shown.Cancel();
		brailleOutput().SetContent(nullptr);
		brailleOutput().Attach(nullptr);
	}
	kill(brltty, SIGTERM);
	waitpid(brltty, nullptr, 0);
	std::filesystem::remove_all(folder);
	// BRLTTY leaves its socket behind when it is stopped.
	std::filesystem::remove("/var/lib/BrlAPI/" + host);
	std::filesystem::remove("/var/lib/BrlAPI/." + host);
	return status;
}
