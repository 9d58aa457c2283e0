#pragma once

#include "screen_reader/decisions.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

namespace velira
{

// The screen reader's key listeners, asked about one key at a time.
class ReaderKeyListeners
{
public:
	virtual ~ReaderKeyListeners() = default;
	// Whether keys can be handed to the listeners now.
	virtual bool Available() const = 0;
	// Hands `key` to the listeners; `answered` runs once, later, on this
	// thread, with whether one of them took the key.
	virtual void Ask(const QKeyEvent &key, std::function<void(bool consumed)> answered) = 0;
};

// The listeners registered with the AT-SPI registry (Orca up to 45), over the
// accessibility bus that Qt's bridge joined. Qt's bridge hands them every
// key itself, but it waits only 100 ms for each answer, then gives every
// key it holds to the window, the keys the screen reader took with them,
// and matches the answers that still come to the keys in the order it sent
// them, whichever key they belong to. A screen reader that is busy for a
// moment (speaking, reading a dialog that just opened) answers later than
// that, so its commands reached the window and other keys were lost. Here
// each answer belongs to its own call and is waited for as long as the
// registry waits for the screen reader.
class AtspiKeyListeners final : public QObject, public ReaderKeyListeners
{
public:
	AtspiKeyListeners();
	bool Available() const override;
	void Ask(const QKeyEvent &key, std::function<void(bool consumed)> answered) override;
};

// The application object: QApplication, whose notify runs before every event
// filter, the accessibility bridge's too. Beside a screen reader every key
// the window system delivers passes its gate (`KeyGate`): a key for the
// window goes to it at once, a key for the screen reader is handed to its
// key listeners and reaches the window when they let it through. Keys after
// one that waits for the screen reader's answer wait behind it, so they keep
// their order and each is decided knowing the answers before it; Ctrl,
// Shift, Alt and Meta, like the menus' shortcuts, which Qt tries before any
// key reaches a window, go on at once. Either way
// the window gets the key as an event of the shell's own (not spontaneous),
// which Qt's bridge leaves alone. Without listeners to ask (no accessibility
// bus) a key for the screen reader goes on to Qt's bridge as before.
class ShellApplication final : public QApplication
{
public:
	ShellApplication(int &argc, char **argv);
	~ShellApplication() override;

	// Whether the shell serves a screen reader now, and whether the device
	// owns a key; unset: it serves none.
	std::function<bool()> servesReader;
	std::function<bool(const QKeyEvent &)> deviceOwns;
	// The listeners to ask; null: the built-in ones over AT-SPI.
	void SetReaderListeners(ReaderKeyListeners *listeners);
	// Forgets the gate's state and the keys waiting, and the connections
	// above: a new window starts from nothing.
	void ResetKeyGate();
	const KeyGate &Gate() const { return gate_; }

	bool notify(QObject *receiver, QEvent *event) override;

private:
	struct Waiting {
		QPointer<QObject> receiver;
		std::unique_ptr<QKeyEvent> key;
	};
	GateKey Facts(const QKeyEvent &key) const;
	void Pump();
	void Deliver(QObject *receiver, QKeyEvent &key);

	KeyGate gate_;
	std::unique_ptr<AtspiKeyListeners> atspi_;
	ReaderKeyListeners *listeners_ = nullptr;
	std::deque<Waiting> waiting_;
	bool asking_ = false;
	// Answers to questions asked before a reset are dropped.
	uint64_t generation_ = 0;
};

// An own copy of a key event, not spontaneous; a release that X11 sent
// between the repeated presses of a held key is marked auto-repeat, as asked
// when it came, since the copy may reach the window later.
std::unique_ptr<QKeyEvent> CopyKeyEvent(const QKeyEvent &key);

} // namespace velira
