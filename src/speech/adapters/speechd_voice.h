#pragma once

#include "platform/speech_engines.h"

#include <map>
#include <memory>
#include <string>

namespace velira
{

// The newer speech interface over speech-dispatcher: the desktop's default
// voice. Its begin, end and cancel notifications arrive on the library's
// thread and are posted to the user-interface thread as StartStream and
// EndStream. When speech-dispatcher cannot be reached (or the connection
// breaks) the voice is silent but behaves alike: every text handed over
// starts and ends at once.
class SpeechDispatcherVoice final : public SpeechVoice
{
public:
	// The notifications are delivered through `post`. `socket_path` empty:
	// speech-dispatcher's default address, started on demand. Otherwise that
	// Unix socket only, never started (for tests).
	explicit SpeechDispatcherVoice(PostToUiThread post, std::string socket_path = {});
	~SpeechDispatcherVoice() override;

	void SetEventInterests(int32_t interests) override;
	SpeechResult Speak(const std::string &text, int32_t flags, int32_t &stream_number) override;

	bool IsConnected() const { return connection_ != nullptr; }

	// Called from speech-dispatcher's thread.
	void OnNotification(size_t message_id, bool begin);

private:
	void Connect();
	void Disconnect();
	void FinishSilently(int32_t stream);
	void Deliver(size_t message_id, bool begin);

	const std::string socket_path_;
	const PostToUiThread post_;
	void *connection_ = nullptr; // the library's SPDConnection
	bool tried_ = false;
	bool ssml_mode_ = false;
	int32_t next_stream_ = 0;
	// speech-dispatcher's message id -> stream number; user-interface thread only.
	std::map<size_t, int32_t> streams_;
};

} // namespace velira
