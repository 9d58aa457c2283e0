#include "shell/qt/termination_signals.h"

#include "shell/shutdown.h"
#include "speech/speech_output.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velira
{

namespace
{

int g_signal_pipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int)
{
	const char byte = 1;
	[[maybe_unused]] const ssize_t n = ::write(g_signal_pipe[0], &byte, 1);
}

} // namespace

void InstallTerminationSignals(QObject *parent)
{
	if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signal_pipe) != 0)
		return;
	::fcntl(g_signal_pipe[0], F_SETFL, O_NONBLOCK);
	auto *notifier = new QSocketNotifier(g_signal_pipe[1], QSocketNotifier::Read, parent);
	QObject::connect(notifier, &QSocketNotifier::activated, parent, [] {
		char byte = 0;
		[[maybe_unused]] const ssize_t n = ::read(g_signal_pipe[1], &byte, 1);
		try {
			SaveAndTerminate();
		} catch (...) {
			// The image could not be written; end anyway, as asked.
			ShutDownSpeech();
			ReleaseSoundObjects();
			std::_Exit(1);
		}
	});
	struct sigaction action {
	};
	action.sa_handler = OnTerminationSignal;
	sigemptyset(&action.sa_mask);
	action.sa_flags = SA_RESTART;
	for (const int signal_number : {SIGTERM, SIGINT, SIGHUP})
		::sigaction(signal_number, &action, nullptr);
}

} // namespace velira
