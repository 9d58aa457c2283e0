#include "speech/adapters/speechd_voice.h"

#include "platform/error.h"

#include <libspeechd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace velira
{

namespace
{

using SteadyClock = std::chrono::steady_clock;

// While no server answers, a text tries to connect at most this often: an
// attempt may start a server, which takes a moment of the user's time.
constexpr auto kRetryInterval = std::chrono::seconds(1);
// How long a closing connection waits for the library's reader to finish
// with a socket whose server went away.
constexpr auto kReaderFinishLimit = std::chrono::milliseconds(500);

// speech-dispatcher's callbacks carry no user pointer: the one connected
// voice of the process, and the number of its connection.
std::atomic<SpeechDispatcherVoice *> g_voice{nullptr};
std::atomic<uint64_t> g_live_generation{0};

void OnBegin(size_t message_id, size_t, SPDNotificationType)
{
	if (SpeechDispatcherVoice *voice = g_voice.load())
		voice->OnNotification(message_id, true);
}

void OnEndOrCancel(size_t message_id, size_t, SPDNotificationType)
{
	if (SpeechDispatcherVoice *voice = g_voice.load())
		voice->OnNotification(message_id, false);
}

SPDConnection *Spd(void *connection)
{
	return static_cast<SPDConnection *>(connection);
}

// The library closes its stream, and with it the socket, when it reads the
// end of the connection; a command that failed on such a connection failed
// for good.
bool ReaderSawTheEnd(SPDConnection *connection)
{
	return __atomic_load_n(&connection->stream, __ATOMIC_ACQUIRE) == nullptr;
}

// The library writes to its socket with write(2): a server that went away
// would end the whole process with SIGPIPE. A handler someone else set is
// left alone.
void IgnoreBrokenPipes()
{
	struct sigaction current {
	};
	if (::sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
		std::signal(SIGPIPE, SIG_IGN);
}

} // namespace

std::string SpeechDispatcherVoice::SsmlDocument(const std::string &text)
{
	std::string document = "<speak>";
	for (const char ch : text) {
		switch (ch) {
		case '<':
			document += "&lt;";
			break;
		case '>':
			document += "&gt;";
			break;
		case '&':
			document += "&amp;";
			break;
		default:
			document += ch;
			break;
		}
	}
	return document + "</speak>";
}

SpeechDispatcherVoice::SpeechDispatcherVoice(PostToUiThread post, std::string socket_path)
    : socket_path_(std::move(socket_path)), post_(std::move(post)), sink_(std::make_shared<Sink>())
{
	if (!post_)
		throw ShellError("The desktop voice has no way to reach the user-interface thread");
	sink_->voice = this;
}

SpeechDispatcherVoice::~SpeechDispatcherVoice()
{
	// No thread of the voice or of the library runs after this; the ends it
	// posts, and anything posted before, find the voice gone.
	Disconnect(false);
	sink_->voice = nullptr;
}

void SpeechDispatcherVoice::PostToVoice(std::function<void(SpeechDispatcherVoice &)> message) const
{
	post_([sink = sink_, message = std::move(message)] {
		if (sink->voice != nullptr)
			message(*sink->voice);
	});
}

void *SpeechDispatcherVoice::Open() const
{
	char *error = nullptr;
	SPDConnection *connection = nullptr;
#if defined(__SANITIZE_ADDRESS__)
	// libspeechd keeps the few bytes of a connection that failed for good.
	__lsan_disable();
#endif
	if (socket_path_.empty()) {
		connection = spd_open2("velira", "main", nullptr, SPD_MODE_THREADED, nullptr, 1, &error);
	} else {
		SPDConnectionAddress address{};
		address.method = SPD_METHOD_UNIX_SOCKET;
		address.unix_socket_name = const_cast<char *>(socket_path_.c_str());
		connection = spd_open2("velira", "main", nullptr, SPD_MODE_THREADED, &address, 0, &error);
	}
#if defined(__SANITIZE_ADDRESS__)
	__lsan_enable();
#endif
	std::free(error);
	if (connection != nullptr) {
		// The callbacks find the voice once it has taken the connection.
		connection->callback_begin = OnBegin;
		connection->callback_end = OnEndOrCancel;
		connection->callback_cancel = OnEndOrCancel;
		spd_set_notification_on(connection, SPD_BEGIN);
		spd_set_notification_on(connection, SPD_END);
		spd_set_notification_on(connection, SPD_CANCEL);
	}
	return connection;
}

void SpeechDispatcherVoice::Connect()
{
	if (connection_ != nullptr)
		return;
	if (opener_.joinable()) {
		opener_.join();
		void *opened = opened_;
		opened_ = nullptr;
		Adopt(opened);
		return;
	}
	if (attempted_ && SteadyClock::now() - last_failure_ < kRetryInterval)
		return;
	attempted_ = true;
	IgnoreBrokenPipes();
	Adopt(Open());
}

void SpeechDispatcherVoice::Adopt(void *opened)
{
	SPDConnection *connection = Spd(opened);
	if (connection == nullptr) {
		last_failure_ = SteadyClock::now();
		return;
	}
	SpeechDispatcherVoice *expected = nullptr;
	if (!g_voice.compare_exchange_strong(expected, this)) {
		// Another voice of this process holds the notifications.
		spd_close(connection);
		last_failure_ = SteadyClock::now();
		return;
	}
	g_live_generation = ++generation_;
	connection_ = connection;
	ssml_mode_ = false;
	// The library's reader gives no word when the server goes away; a
	// thread of our own waits on the socket for that, so that the texts
	// under way end at once instead of never.
	watch_fd_ = ::fcntl(connection->socket, F_DUPFD_CLOEXEC, 0);
	stop_fd_ = ::eventfd(0, EFD_CLOEXEC);
	if (watch_fd_ >= 0 && stop_fd_ >= 0) {
		watcher_ = std::thread([this, socket = watch_fd_, stop = stop_fd_, generation = generation_] {
			WatchForHangUp(socket, stop, generation);
		});
	}
}

void SpeechDispatcherVoice::WatchForHangUp(int socket_fd, int stop_fd, uint64_t generation)
{
	// Only the hang-up is asked for: the replies and events that arrive are
	// the library's to read.
	pollfd watched[2] = {{socket_fd, POLLRDHUP, 0}, {stop_fd, POLLIN, 0}};
	for (;;) {
		if (::poll(watched, 2, -1) < 0) {
			if (errno == EINTR)
				continue;
			return;
		}
		if (watched[1].revents != 0)
			return;
		if ((watched[0].revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) != 0) {
			PostToVoice(
			    [generation](SpeechDispatcherVoice &voice) { voice.OnHangUp(generation); });
			return;
		}
	}
}

void SpeechDispatcherVoice::OnHangUp(uint64_t generation)
{
	if (generation == generation_ && connection_ != nullptr)
		Disconnect(true);
}

void SpeechDispatcherVoice::Disconnect(bool broken)
{
	if (opener_.joinable()) {
		opener_.join();
		if (opened_ != nullptr)
			spd_close(Spd(opened_));
		opened_ = nullptr;
	}
	if (connection_ == nullptr)
		return;
	SPDConnection *connection = Spd(connection_);
	if (watcher_.joinable()) {
		const uint64_t one = 1;
		[[maybe_unused]] const ssize_t n = ::write(stop_fd_, &one, sizeof one);
		watcher_.join();
	}
	if (broken) {
		// The library's reader closes the socket itself when it reads the
		// end; spd_close would close that number once more, and by then it
		// may be a file of someone else. It gets our own handle to close
		// instead.
		const auto give_up = SteadyClock::now() + kReaderFinishLimit;
		while (!ReaderSawTheEnd(connection) && SteadyClock::now() < give_up)
			std::this_thread::sleep_for(std::chrono::milliseconds(1));
		if (ReaderSawTheEnd(connection) && watch_fd_ >= 0) {
			connection->socket = watch_fd_;
			watch_fd_ = -1;
		}
	}
	if (watch_fd_ >= 0)
		::close(watch_fd_);
	if (stop_fd_ >= 0)
		::close(stop_fd_);
	watch_fd_ = -1;
	stop_fd_ = -1;
	// Joins the library's reader: no callback runs after this.
	spd_close(connection);
	connection_ = nullptr;
	g_live_generation = 0;
	SpeechDispatcherVoice *self = this;
	g_voice.compare_exchange_strong(self, nullptr);
	// Texts still under way will not report their end: end them here.
	for (const auto &entry : streams_)
		FinishSilently(entry.second);
	streams_.clear();
}

void SpeechDispatcherVoice::Close()
{
	Disconnect(false);
	attempted_ = false;
}

void SpeechDispatcherVoice::SetEventInterests(int32_t)
{
	if (connection_ != nullptr || opener_.joinable())
		return;
	if (attempted_ && SteadyClock::now() - last_failure_ < kRetryInterval)
		return;
	attempted_ = true;
	IgnoreBrokenPipes();
	opener_ = std::thread([this] {
		opened_ = Open();
		PostToVoice([](SpeechDispatcherVoice &voice) {
			// Unless a text took the connection already.
			if (voice.opener_.joinable())
				voice.Connect();
		});
	});
}

void SpeechDispatcherVoice::FinishSilently(int32_t stream)
{
	PostToVoice([stream](SpeechDispatcherVoice &voice) {
		voice.StartStream(stream, 0);
		voice.EndStream(stream, 0);
	});
}

SpeechResult SpeechDispatcherVoice::Speak(const std::string &text, int32_t flags, int32_t &stream_number)
{
	Connect();
	if ((flags & kSpeakPurgeBeforeSpeak) != 0 && connection_ != nullptr &&
	    spd_cancel(Spd(connection_)) != 0 && ReaderSawTheEnd(Spd(connection_)))
		Disconnect(true);
	if (text.empty()) {
		stream_number = 0;
		if ((flags & kSpeakPurgeBeforeSpeak) == 0)
			FinishSilently(stream_number = ++next_stream_);
		return kSpeechOk;
	}
	stream_number = ++next_stream_;
	if (connection_ != nullptr) {
		SPDConnection *connection = Spd(connection_);
		const bool ssml = (flags & kSpeakIsXml) != 0;
		if (ssml != ssml_mode_ &&
		    spd_set_data_mode(connection, ssml ? SPD_DATA_SSML : SPD_DATA_TEXT) == 0)
			ssml_mode_ = ssml;
		const int message_id =
		    spd_say(connection, SPD_MESSAGE, ssml ? SsmlDocument(text).c_str() : text.c_str());
		if (message_id >= 0) {
			streams_[static_cast<size_t>(message_id)] = stream_number;
			return kSpeechOk;
		}
		// The server went away: this text ends silently and a later one
		// connects again.
		if (ReaderSawTheEnd(connection))
			Disconnect(true);
	}
	FinishSilently(stream_number);
	return kSpeechOk;
}

void SpeechDispatcherVoice::OnNotification(size_t message_id, bool begin)
{
	const uint64_t generation = g_live_generation.load();
	PostToVoice([generation, message_id, begin](SpeechDispatcherVoice &voice) {
		voice.Deliver(generation, message_id, begin);
	});
}

void SpeechDispatcherVoice::Deliver(uint64_t generation, size_t message_id, bool begin)
{
	// Message ids are the server's: a new server counts from the start.
	if (generation != generation_ || connection_ == nullptr)
		return;
	const auto found = streams_.find(message_id);
	if (found == streams_.end())
		return;
	if (begin) {
		StartStream(found->second, 0);
		return;
	}
	const int32_t stream = found->second;
	streams_.erase(found);
	EndStream(stream, 0);
}

} // namespace velira
