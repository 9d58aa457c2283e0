#pragma once

#include <QApplication>
#include <QKeyEvent>

#include <functional>
#include <optional>
#include <set>

namespace velira
{

// Which keys a screen reader's key listeners get. Qt's accessibility bridge
// hands every key the window system delivers (a spontaneous key event) to
// the AT-SPI registry, whose keystroke listeners (a screen reader: its key
// echo, its commands) see it and may take it; only a key they let through
// reaches the window, delivered again by the bridge as a key event of its
// own (not spontaneous). A key that the gate keeps from them goes to the
// window at once in that same form, which the bridge leaves alone.
class ScreenReaderKeyGate
{
public:
	// Whether the gate keeps anything from the screen reader now; unset or
	// false: every key goes to it, as without the gate.
	std::function<bool()> active;
	// Whether the device owns this key (a press or a release) now.
	std::function<bool(const QKeyEvent &)> deviceOwns;

	// For a key the window system delivers: true when it goes to the window
	// without the screen reader. Keys pressed with the screen reader's own
	// modifier (Insert, the keypad's Insert, Caps Lock), and those modifiers,
	// go to the screen reader. So do the keys after one that it took (its
	// learn mode takes every key until Escape), until it lets one through or
	// takes an Escape. A release goes where its press went.
	bool KeepFromScreenReader(const QKeyEvent &key);
	// The screen reader let this key through (the bridge delivered it), or
	// the window got it straight from the window system (no bridge).
	void KeyCameThrough(const QKeyEvent &key);

	static bool IsScreenReaderModifier(const QKeyEvent &key);

private:
	struct Given {
		int key = 0;
		quint32 scan_code = 0;
	};
	std::set<quint32> modifiers_held_;
	std::set<quint32> pressed_for_reader_;
	std::optional<Given> awaited_;
	bool reader_takes_keys_ = false;
};

// The application object: QApplication, whose notify runs before every event
// filter, the accessibility bridge's too, and so asks the gate first.
class ShellApplication final : public QApplication
{
public:
	ShellApplication(int &argc, char **argv) : QApplication(argc, argv) {}

	ScreenReaderKeyGate &KeyGate() { return gate_; }

	bool notify(QObject *receiver, QEvent *event) override;

private:
	ScreenReaderKeyGate gate_;
};

} // namespace velira
