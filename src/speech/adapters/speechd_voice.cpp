#include "speech/adapters/speechd_voice.h"

#include "platform/error.h"

#include <libspeechd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace velira
{

namespace
{

// speech-dispatcher's callbacks carry no user pointer: the one connected
// voice of the process.
std::atomic<SpeechDispatcherVoice *> g_voice{nullptr};

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

// SSML must be one <speak> document.
std::string AsSsmlDocument(const std::string &text)
{
	if (text.rfind("<speak", 0) == 0)
		return text;
	return "<speak>" + text + "</speak>";
}

} // namespace

SpeechDispatcherVoice::SpeechDispatcherVoice(PostToUiThread post, std::string socket_path)
    : socket_path_(std::move(socket_path)), post_(std::move(post))
{
	if (!post_)
		throw ShellError("The desktop voice has no way to reach the user-interface thread");
}

SpeechDispatcherVoice::~SpeechDispatcherVoice()
{
	Disconnect();
}

void SpeechDispatcherVoice::Connect()
{
	if (tried_)
		return;
	tried_ = true;
	char *error = nullptr;
	SPDConnection *connection = nullptr;
	if (socket_path_.empty()) {
		connection = spd_open2("velira", "main", nullptr, SPD_MODE_THREADED, nullptr, 1, &error);
	} else {
		SPDConnectionAddress address{};
		address.method = SPD_METHOD_UNIX_SOCKET;
		address.unix_socket_name = const_cast<char *>(socket_path_.c_str());
		connection = spd_open2("velira", "main", nullptr, SPD_MODE_THREADED, &address, 0, &error);
	}
	std::free(error);
	if (connection == nullptr)
		return;
	SpeechDispatcherVoice *expected = nullptr;
	if (!g_voice.compare_exchange_strong(expected, this)) {
		// Another voice of this process holds the notifications.
		spd_close(connection);
		return;
	}
	connection->callback_begin = OnBegin;
	connection->callback_end = OnEndOrCancel;
	connection->callback_cancel = OnEndOrCancel;
	spd_set_notification_on(connection, SPD_BEGIN);
	spd_set_notification_on(connection, SPD_END);
	spd_set_notification_on(connection, SPD_CANCEL);
	connection_ = connection;
}

void SpeechDispatcherVoice::Disconnect()
{
	if (connection_ == nullptr)
		return;
	spd_close(Spd(connection_));
	connection_ = nullptr;
	SpeechDispatcherVoice *self = this;
	g_voice.compare_exchange_strong(self, nullptr);
	// Texts still under way will not report their end: end them here.
	for (const auto &entry : streams_)
		FinishSilently(entry.second);
	streams_.clear();
}

void SpeechDispatcherVoice::SetEventInterests(int32_t)
{
	Connect();
}

void SpeechDispatcherVoice::FinishSilently(int32_t stream)
{
	if (!post_)
		return;
	post_([this, stream] {
		StartStream(stream, 0);
		EndStream(stream, 0);
	});
}

SpeechResult SpeechDispatcherVoice::Speak(const std::string &text, int32_t flags, int32_t &stream_number)
{
	Connect();
	if ((flags & kSpeakPurgeBeforeSpeak) != 0 && connection_ != nullptr)
		spd_cancel(Spd(connection_));
	if (text.empty()) {
		stream_number = 0;
		if ((flags & kSpeakPurgeBeforeSpeak) == 0)
			FinishSilently(stream_number = ++next_stream_);
		return kSpeechOk;
	}
	stream_number = ++next_stream_;
	if (connection_ != nullptr) {
		const bool ssml = (flags & kSpeakIsXml) != 0;
		if (ssml != ssml_mode_ &&
		    spd_set_data_mode(Spd(connection_), ssml ? SPD_DATA_SSML : SPD_DATA_TEXT) == 0)
			ssml_mode_ = ssml;
		const int message_id = spd_say(Spd(connection_), SPD_MESSAGE,
		                               ssml ? AsSsmlDocument(text).c_str() : text.c_str());
		if (message_id >= 0) {
			streams_[static_cast<size_t>(message_id)] = stream_number;
			return kSpeechOk;
		}
		// The server went away: from now on the voice is silent.
		Disconnect();
	}
	FinishSilently(stream_number);
	return kSpeechOk;
}

void SpeechDispatcherVoice::OnNotification(size_t message_id, bool begin)
{
	if (!post_)
		return;
	post_([this, message_id, begin] { Deliver(message_id, begin); });
}

void SpeechDispatcherVoice::Deliver(size_t message_id, bool begin)
{
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
