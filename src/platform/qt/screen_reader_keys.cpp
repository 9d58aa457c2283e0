#include "platform/qt/screen_reader_keys.h"

#include <QWindow>

namespace velira
{

bool ScreenReaderKeyGate::IsScreenReaderModifier(const QKeyEvent &key)
{
	return key.key() == Qt::Key_Insert || key.key() == Qt::Key_CapsLock;
}

bool ScreenReaderKeyGate::KeepFromScreenReader(const QKeyEvent &key)
{
	const quint32 scan_code = key.nativeScanCode();
	const bool press = key.type() == QEvent::KeyPress;
	if (IsScreenReaderModifier(key)) {
		if (press)
			modifiers_held_.insert(scan_code);
		else
			modifiers_held_.erase(scan_code);
		return false;
	}
	if (!press) {
		if (pressed_for_reader_.erase(scan_code) != 0)
			return false;
		return active && active() && deviceOwns && deviceOwns(key);
	}
	if (awaited_ && !key.isAutoRepeat()) {
		// The last key given to the screen reader never came back: it took
		// it. An Escape ends whatever took the keys before it.
		reader_takes_keys_ = awaited_->key != Qt::Key_Escape;
		awaited_.reset();
	}
	const bool keep = active && active() && modifiers_held_.empty() && !reader_takes_keys_ &&
	                  deviceOwns && deviceOwns(key);
	if (!keep) {
		pressed_for_reader_.insert(scan_code);
		if (!key.isAutoRepeat())
			awaited_ = Given{key.key(), scan_code};
	}
	return keep;
}

void ScreenReaderKeyGate::KeyCameThrough(const QKeyEvent &key)
{
	if (key.type() != QEvent::KeyPress || !awaited_ || awaited_->scan_code != key.nativeScanCode())
		return;
	awaited_.reset();
	reader_takes_keys_ = false;
}

bool ShellApplication::notify(QObject *receiver, QEvent *event)
{
	const QEvent::Type type = event->type();
	if (type != QEvent::KeyPress && type != QEvent::KeyRelease)
		return QApplication::notify(receiver, event);
	auto *key = static_cast<QKeyEvent *>(event);
	// The window system delivers a key to the window first; the bridge
	// takes it there.
	if (!receiver->isWindowType()) {
		if (event->spontaneous())
			gate_.KeyCameThrough(*key);
		return QApplication::notify(receiver, event);
	}
	if (!event->spontaneous()) {
		gate_.KeyCameThrough(*key);
		return QApplication::notify(receiver, event);
	}
	if (!gate_.KeepFromScreenReader(*key))
		return QApplication::notify(receiver, event);
	QKeyEvent kept(key->type(), key->key(), key->modifiers(), key->nativeScanCode(),
	               key->nativeVirtualKey(), key->nativeModifiers(), key->text(), key->isAutoRepeat(),
	               key->count(), key->device());
	kept.setTimestamp(key->timestamp());
	kept.setAccepted(key->isAccepted());
	// The handlers may wait in a nested event loop, where the next keys
	// pass the gate in their turn.
	const bool handled = QApplication::notify(receiver, &kept);
	event->setAccepted(kept.isAccepted());
	return handled;
}

} // namespace velira
