#pragma once

#include "input/braille_display.h"

#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace velira
{

// A braille display reached through BRLTTY's BrlAPI server (BRLAPI_HOST and
// BRLAPI_AUTH choose the server, as for every BrlAPI client). A worker
// thread owns the connection: it connects, takes and gives back the display,
// writes the latest cells and reads the keys, so that a missing, slow or
// vanished server never holds up the windows. It tries again every
// `retry_ms` while no server answers. What it learns reaches the user
// interface through `post`, which runs a message on that thread; `post` is
// never called once the destructor has begun, so what it reaches (the
// application) need only outlive the display.
class BrlapiDisplay final : public BrailleDisplay
{
public:
	using Post = std::function<void(std::function<void()>)>;

	explicit BrlapiDisplay(Post post, int retry_ms = 1000);
	~BrlapiDisplay() override;
	BrlapiDisplay(const BrlapiDisplay &) = delete;
	BrlapiDisplay &operator=(const BrlapiDisplay &) = delete;

	int CellCount() const override { return cell_count_; }
	void EnterTtyMode() override;
	void LeaveTtyMode() override;
	void Write(const std::vector<BrailleCell> &cells, int cursor_cell) override;

private:
	// What the worker thread uses. It is shared with the thread, so that a
	// thread still held up by a server that does not answer can be left to
	// end on its own when the shell goes.
	struct Worker;
	// The worker's way to `post`, closed by the destructor: a worker left
	// behind posts nothing more, and a message still queued does nothing.
	class Outbox;

	// Set on the user-interface thread by the worker's messages.
	int cell_count_ = 0;
	std::shared_ptr<Outbox> outbox_;
	std::shared_ptr<Worker> worker_;
	std::thread thread_;
};

} // namespace velira
