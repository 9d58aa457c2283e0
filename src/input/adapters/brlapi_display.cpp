#include "input/adapters/brlapi_display.h"

#include "platform/cp1250.h"

#include <brlapi.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace velira
{

namespace
{

// The exception handler of a connection: the library's own one prints and
// aborts, which must never end the shell. The error is kept for the worker,
// which then drops the connection and connects again.
void BRLAPI_STDCALL OnBrlapiException(brlapi_handle_t *handle, int /*error*/, brlapi_packetType_t /*type*/,
                                      const void * /*packet*/, size_t /*size*/)
{
	if (auto *failed = static_cast<std::atomic<bool> *>(brlapi__getClientData(handle)))
		failed->store(true);
}

std::optional<BrailleKey> KeyOf(brlapi_keyCode_t code)
{
	if ((code & BRLAPI_KEY_TYPE_MASK) != BRLAPI_KEY_TYPE_CMD)
		return std::nullopt;
	const brlapi_keyCode_t block = code & BRLAPI_KEY_CMD_BLK_MASK;
	const brlapi_keyCode_t argument = code & BRLAPI_KEY_CMD_ARG_MASK;
	if (block == BRLAPI_KEY_CMD_ROUTE)
		return BrailleKey{BrailleKey::Kind::Route, static_cast<int>(argument)};
	// The command constants carry neither the key type nor the flags.
	switch (code & (BRLAPI_KEY_CMD_BLK_MASK | BRLAPI_KEY_CMD_ARG_MASK)) {
	case BRLAPI_KEY_CMD_FWINLT:
	case BRLAPI_KEY_CMD_FWINLTSKIP:
		return BrailleKey{BrailleKey::Kind::PanLeft, 0};
	case BRLAPI_KEY_CMD_FWINRT:
	case BRLAPI_KEY_CMD_FWINRTSKIP:
		return BrailleKey{BrailleKey::Kind::PanRight, 0};
	case BRLAPI_KEY_CMD_LNUP:
		return BrailleKey{BrailleKey::Kind::LineUp, 0};
	case BRLAPI_KEY_CMD_LNDN:
		return BrailleKey{BrailleKey::Kind::LineDown, 0};
	default:
		return std::nullopt;
	}
}

// Outside tty mode the server sends nothing of its own accord: something to
// read there is the end of the connection, or something this client cannot
// take, and either way it connects anew.
bool ConnectionEnded(int fd)
{
	pollfd ready{fd, POLLIN, 0};
	return ::poll(&ready, 1, 0) > 0;
}

// One connection to the server, owned by the worker thread.
struct Connection {
	Connection() : handle(static_cast<brlapi_handle_t *>(std::malloc(brlapi_getHandleSize()))) {}
	~Connection()
	{
		if (open)
			brlapi__closeConnection(handle);
		std::free(handle);
	}
	Connection(const Connection &) = delete;
	Connection &operator=(const Connection &) = delete;

	brlapi_handle_t *handle;
	bool open = false;
	int fd = -1;
	int cells = 0;
	bool tty = false;
	uint64_t written_generation = 0;
	std::atomic<bool> failed{false};
};

} // namespace

// The way from the worker to the user-interface thread, shared by both. The
// display closes it on its way out before it waits for the worker: from then
// on nothing is posted, however late a server answers, so a worker left to
// end on its own never reaches the application or the display again.
class BrlapiDisplay::Outbox
{
public:
	explicit Outbox(Post post) : post_(std::move(post)) {}

	// From the worker: the message runs on the user-interface thread, unless
	// the display has gone.
	void Send(std::function<void()> message)
	{
		const std::lock_guard lock(mutex_);
		if (post_)
			post_(std::move(message));
	}
	// On the user-interface thread: whether the display still lives, for a
	// message that was queued before it went.
	bool IsOpen() const { return open_.load(); }
	// Returns once a message being posted right now is through; after it,
	// `post` is never called again.
	void Close()
	{
		const std::lock_guard lock(mutex_);
		open_ = false;
		post_ = nullptr;
	}

private:
	std::mutex mutex_;
	Post post_;
	std::atomic<bool> open_{true};
};

struct BrlapiDisplay::Worker {
	~Worker()
	{
		for (const int fd : wake_fds_)
			if (fd >= 0)
				::close(fd);
	}

	void Run();
	void Wake();
	// Waits for the wake-up pipe (and the connection, when there is one)
	// for at most `timeout_ms` (-1: no limit).
	void WaitForWork(int connection_fd, int timeout_ms);
	// Applies what the user interface asked for; false when the connection
	// broke.
	bool Apply(Connection &connection);
	bool ReadKeys(Connection &connection);
	void PostCellCount(int cells) { on_cells_(cells); }

	int retry_ms_ = 1000;
	// Both post a message to the user-interface thread through the outbox;
	// neither touches the display on the worker's thread.
	std::function<void(int)> on_cells_;
	std::function<void(const BrailleKey &)> on_key_;

	std::mutex mutex_;
	bool want_tty_ = false;
	std::vector<BrailleCell> cells_;
	int cursor_cell_ = -1;
	uint64_t generation_ = 0;

	std::atomic<bool> stop_{false};
	int wake_fds_[2] = {-1, -1};
	std::mutex done_mutex_;
	std::condition_variable done_;
	bool finished_ = false;
};

BrlapiDisplay::BrlapiDisplay(Post post, int retry_ms)
    : outbox_(std::make_shared<Outbox>(std::move(post))), worker_(std::make_shared<Worker>())
{
	Worker &worker = *worker_;
	worker.retry_ms_ = retry_ms;
	if (::pipe2(worker.wake_fds_, O_CLOEXEC | O_NONBLOCK) != 0)
		worker.wake_fds_[0] = worker.wake_fds_[1] = -1;
	// The messages run on the user-interface thread, and only while this
	// display lives; the worker holds the outbox, never the display.
	worker.on_cells_ = [this, outbox = outbox_](int cells) {
		outbox->Send([this, outbox, cells] {
			if (!outbox->IsOpen() || cell_count_ == cells)
				return;
			cell_count_ = cells;
			NotifyChanged();
		});
	};
	worker.on_key_ = [this, outbox = outbox_](const BrailleKey &key) {
		outbox->Send([this, outbox, key] {
			if (outbox->IsOpen())
				NotifyKey(key);
		});
	};
	thread_ = std::thread([worker = worker_] {
		worker->Run();
		const std::lock_guard lock(worker->done_mutex_);
		worker->finished_ = true;
		worker->done_.notify_all();
	});
}

BrlapiDisplay::~BrlapiDisplay()
{
	// First the way to this thread: whatever the worker learns from now on
	// goes nowhere.
	outbox_->Close();
	worker_->stop_ = true;
	worker_->Wake();
	// A connection attempt to a server that does not answer (a far host, a
	// stopped BRLTTY) may take minutes: the shell does not wait for it on its
	// way out. The thread left behind holds only what it shares (the worker,
	// the closed outbox) and its own connection.
	std::unique_lock lock(worker_->done_mutex_);
	if (worker_->done_.wait_for(lock, std::chrono::seconds(2), [this] { return worker_->finished_; })) {
		lock.unlock();
		thread_.join();
	} else {
		lock.unlock();
		thread_.detach();
	}
}

void BrlapiDisplay::Worker::Wake()
{
	const char byte = 1;
	if (wake_fds_[1] >= 0) [[maybe_unused]]
		const ssize_t n = ::write(wake_fds_[1], &byte, 1);
}

void BrlapiDisplay::EnterTtyMode()
{
	{
		const std::lock_guard lock(worker_->mutex_);
		worker_->want_tty_ = true;
	}
	worker_->Wake();
}

void BrlapiDisplay::LeaveTtyMode()
{
	{
		const std::lock_guard lock(worker_->mutex_);
		worker_->want_tty_ = false;
	}
	worker_->Wake();
}

void BrlapiDisplay::Write(const std::vector<BrailleCell> &cells, int cursor_cell)
{
	{
		// Only the latest picture matters: a burst of prints is sent once.
		const std::lock_guard lock(worker_->mutex_);
		worker_->cells_ = cells;
		worker_->cursor_cell_ = cursor_cell;
		++worker_->generation_;
	}
	worker_->Wake();
}

void BrlapiDisplay::Worker::WaitForWork(int connection_fd, int timeout_ms)
{
	pollfd fds[2] = {{wake_fds_[0], POLLIN, 0}, {connection_fd, POLLIN, 0}};
	::poll(fds, connection_fd >= 0 ? 2 : 1, timeout_ms);
	char drained[64];
	while (::read(wake_fds_[0], drained, sizeof drained) > 0) {
	}
}

bool BrlapiDisplay::Worker::Apply(Connection &connection)
{
	bool want_tty;
	uint64_t generation;
	{
		const std::lock_guard lock(mutex_);
		want_tty = want_tty_;
		generation = generation_;
	}
	if (want_tty && !connection.tty) {
		// The path is left empty: the library puts the desktop's virtual
		// terminal in front of it (WINDOWPATH, XDG_VTNR) when there is one,
		// and a BRLTTY without a screen driver hands out its root.
		if (brlapi__enterTtyModeWithPath(connection.handle, nullptr, 0, nullptr) < 0)
			return false;
		// Only the keys the shell handles: the others stay with BRLTTY.
		brlapi__ignoreAllKeys(connection.handle);
		const brlapi_keyCode_t routing[] = {BRLAPI_KEY_TYPE_CMD | BRLAPI_KEY_CMD_ROUTE};
		brlapi__acceptKeys(connection.handle, brlapi_rangeType_command, routing, 1);
		const brlapi_keyCode_t keys[] = {BRLAPI_KEY_TYPE_CMD | BRLAPI_KEY_CMD_FWINLT,
		                                 BRLAPI_KEY_TYPE_CMD | BRLAPI_KEY_CMD_FWINRT,
		                                 BRLAPI_KEY_TYPE_CMD | BRLAPI_KEY_CMD_FWINLTSKIP,
		                                 BRLAPI_KEY_TYPE_CMD | BRLAPI_KEY_CMD_FWINRTSKIP,
		                                 BRLAPI_KEY_TYPE_CMD | BRLAPI_KEY_CMD_LNUP,
		                                 BRLAPI_KEY_TYPE_CMD | BRLAPI_KEY_CMD_LNDN};
		brlapi__acceptKeys(connection.handle, brlapi_rangeType_key, keys, std::size(keys));
		connection.tty = true;
		// A display just taken shows nothing of ours yet.
		connection.written_generation = ~generation;
	} else if (!want_tty && connection.tty) {
		// An empty write first lets what lies under the shell's display show.
		const brlapi_writeArguments_t clear = BRLAPI_WRITEARGUMENTS_INITIALIZER;
		if (brlapi__write(connection.handle, &clear) < 0 ||
		    brlapi__leaveTtyMode(connection.handle) < 0)
			return false;
		connection.tty = false;
		return !connection.failed;
	}
	if (!connection.tty || generation == connection.written_generation)
		return !connection.failed;

	std::vector<BrailleCell> cells;
	int cursor_cell;
	{
		const std::lock_guard lock(mutex_);
		cells = cells_;
		cursor_cell = cursor_cell_;
		generation = generation_;
	}
	const int size = connection.cells;
	std::string text;
	std::vector<unsigned char> and_mask(static_cast<size_t>(size), 0xFF);
	std::vector<unsigned char> or_mask(static_cast<size_t>(size), 0);
	for (int i = 0; i < size; ++i) {
		const BrailleCell cell =
		    i < static_cast<int>(cells.size()) ? cells[static_cast<size_t>(i)] : BrailleCell{};
		char32_t cp = CodePointFromCp1250(static_cast<unsigned char>(cell.character));
		if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0))
			cp = U' ';
		AppendUtf8(text, cp);
		if (cell.dots != kTextTableDots) {
			// The shell's own dots replace what BRLTTY's text table gives.
			and_mask[static_cast<size_t>(i)] = 0;
			or_mask[static_cast<size_t>(i)] = static_cast<unsigned char>(cell.dots);
		}
	}
	brlapi_writeArguments_t arguments = BRLAPI_WRITEARGUMENTS_INITIALIZER;
	arguments.regionBegin = 1;
	arguments.regionSize = size;
	arguments.text = text.c_str();
	arguments.textSize = static_cast<int>(text.size());
	arguments.andMask = and_mask.data();
	arguments.orMask = or_mask.data();
	arguments.cursor = cursor_cell >= 0 && cursor_cell < size ? cursor_cell + 1 : BRLAPI_CURSOR_OFF;
	arguments.charset = "UTF-8";
	if (brlapi__write(connection.handle, &arguments) < 0)
		return false;
	connection.written_generation = generation;
	return !connection.failed;
}

bool BrlapiDisplay::Worker::ReadKeys(Connection &connection)
{
	for (;;) {
		brlapi_keyCode_t code = 0;
		const int read = brlapi__readKey(connection.handle, 0, &code);
		if (read < 0)
			return false;
		if (read == 0)
			return !connection.failed;
		if (const std::optional<BrailleKey> key = KeyOf(code))
			on_key_(*key);
	}
}

void BrlapiDisplay::Worker::Run()
{
	// A server that goes away makes a write fail with SIGPIPE, which must not
	// end the shell: it is blocked in this thread, and a pending one is
	// taken after each broken connection.
	sigset_t pipe_signal;
	sigemptyset(&pipe_signal);
	sigaddset(&pipe_signal, SIGPIPE);
	pthread_sigmask(SIG_BLOCK, &pipe_signal, nullptr);

	while (!stop_) {
		Connection connection;
		const brlapi_fileDescriptor fd = brlapi__openConnection(connection.handle, nullptr, nullptr);
		if (fd == (brlapi_fileDescriptor)-1) {
			WaitForWork(-1, retry_ms_);
			continue;
		}
		connection.open = true;
		connection.fd = fd;
		brlapi__setClientData(connection.handle, &connection.failed);
		brlapi__setExceptionHandler(connection.handle, OnBrlapiException);
		unsigned int columns = 0;
		unsigned int rows = 0;
		if (brlapi__getDisplaySize(connection.handle, &columns, &rows) < 0 || columns == 0) {
			WaitForWork(-1, retry_ms_);
			continue;
		}
		// A display of several rows shows the one line on its first row.
		connection.cells = static_cast<int>(columns);
		PostCellCount(connection.cells);
		while (!stop_ && Apply(connection)) {
			WaitForWork(connection.fd, -1);
			if (stop_)
				break;
			if (connection.tty) {
				if (!ReadKeys(connection))
					break;
			} else if (ConnectionEnded(connection.fd)) {
				break;
			}
		}
		PostCellCount(0);
		const timespec no_wait{0, 0};
		while (sigtimedwait(&pipe_signal, nullptr, &no_wait) > 0) {
		}
		if (!stop_)
			WaitForWork(-1, retry_ms_);
	}
}

} // namespace velira
