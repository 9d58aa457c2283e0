#pragma once

#include "platform/speech_engines.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

namespace velira
{

// The newer speech interface over speech-dispatcher: the desktop's default
// voice. Its begin, end and cancel notifications arrive on the library's
// thread and are posted to the user-interface thread as StartStream and
// EndStream. When speech-dispatcher cannot be reached the voice is silent
// but behaves alike: every text handed over starts and ends at once. When
// the server goes away, the texts under way end at once and a later text
// connects again (at most one attempt a second while none answers). A
// notification still queued when the voice is destroyed is dropped.
class SpeechDispatcherVoice final : public SpeechVoice
{
public:
	// The notifications are delivered through `post`. `socket_path` empty:
	// speech-dispatcher's default address, started on demand. Otherwise that
	// Unix socket only, never started (for tests).
	explicit SpeechDispatcherVoice(PostToUiThread post, std::string socket_path = {});
	~SpeechDispatcherVoice() override;
	SpeechDispatcherVoice(const SpeechDispatcherVoice &) = delete;
	SpeechDispatcherVoice &operator=(const SpeechDispatcherVoice &) = delete;

	// Connects in the background: a server started on demand takes a
	// moment, and the window does not wait for it. A text handed over
	// before the connection is made waits for it.
	void SetEventInterests(int32_t interests) override;
	SpeechResult Speak(const std::string &text, int32_t flags, int32_t &stream_number) override;
	// Closes the connection and joins the library's and our own thread.
	void Close() override;

	bool IsConnected() const { return connection_ != nullptr; }

	// Called from speech-dispatcher's thread.
	void OnNotification(size_t message_id, bool begin);

	// What a text handed over with kSpeakIsXml becomes: one SSML document
	// in which the text is only text ("<" and "&" are escaped), so that a
	// character name such as "<" is spoken rather than taken for markup.
	static std::string SsmlDocument(const std::string &text);

private:
	// Connects now, or takes the connection made in the background.
	void Connect();
	// The library's connection to the server, or nullptr; any thread.
	void *Open() const;
	void Adopt(void *connection);
	// `broken`: the server went away, the library's reader has seen it too.
	void Disconnect(bool broken);
	void WatchForHangUp(int socket_fd, int stop_fd, uint64_t generation);
	void OnHangUp(uint64_t generation);
	void FinishSilently(int32_t stream);
	void Deliver(uint64_t generation, size_t message_id, bool begin);
	// Posts `message` to run on the voice on the user-interface thread, if
	// the voice still lives then. Callable from any thread.
	void PostToVoice(std::function<void(SpeechDispatcherVoice &)> message) const;

	// What the posted messages reach the voice through. Each message owns
	// the sink, so the sink outlives the voice; the destructor detaches the
	// voice from it. `voice` is used on the user-interface thread only.
	struct Sink {
		SpeechDispatcherVoice *voice = nullptr;
	};

	const std::string socket_path_;
	const PostToUiThread post_;
	const std::shared_ptr<Sink> sink_;
	void *connection_ = nullptr; // the library's SPDConnection
	// Our own handle on the connection's socket and the thread that waits on
	// it for the server hanging up; `stop_fd_` wakes it to end.
	int watch_fd_ = -1;
	int stop_fd_ = -1;
	std::thread watcher_;
	// Counts connections, so that a message of an earlier one is ignored.
	uint64_t generation_ = 0;
	// Opens a connection in the background; `opened_` is its result, read
	// once it has been joined.
	std::thread opener_;
	void *opened_ = nullptr;
	bool attempted_ = false;
	std::chrono::steady_clock::time_point last_failure_{};
	bool ssml_mode_ = false;
	int32_t next_stream_ = 0;
	// speech-dispatcher's message id -> stream number; user-interface thread only.
	std::map<size_t, int32_t> streams_;
};

} // namespace velira
