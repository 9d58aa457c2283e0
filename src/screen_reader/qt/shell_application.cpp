#include "screen_reader/qt/shell_application.h"

#include "platform/qt/held_key_query.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDateTime>
#include <QWindow>

namespace velira
{

namespace
{

// As long as the AT-SPI registry waits for a listener's answer before it
// takes the listener to hang and stops asking it.
constexpr int kReaderAnswer_ms = 3000;

// The key event of AT-SPI's device event controller, as Qt's bridge sends it.
struct AtspiKeyEvent {
	uint32_t type = 0; // 0 pressed, 1 released
	int32_t id = 0;    // the key symbol
	int32_t hardware_code = 0;
	int32_t modifiers = 0;
	int32_t timestamp = 0;
	QString text;
	bool is_text = false;
};

QDBusArgument &operator<<(QDBusArgument &argument, const AtspiKeyEvent &event)
{
	argument.beginStructure();
	argument << event.type << event.id << event.hardware_code << event.modifiers << event.timestamp
	         << event.text << event.is_text;
	argument.endStructure();
	return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, AtspiKeyEvent &event)
{
	argument.beginStructure();
	argument >> event.type >> event.id >> event.hardware_code >> event.modifiers >> event.timestamp >>
	    event.text >> event.is_text;
	argument.endStructure();
	return argument;
}

// The key's name as the screen reader's key bindings know it, the way Qt's
// bridge names it.
QString KeyName(const QKeyEvent &key)
{
	const bool keypad = key.modifiers() & Qt::KeypadModifier;
	switch (key.key()) {
	case Qt::Key_Tab:
		return QStringLiteral("Tab");
	case Qt::Key_Backtab:
		return QStringLiteral("Backtab");
	case Qt::Key_Control:
		return QStringLiteral("Control_L");
	case Qt::Key_Left:
		return keypad ? QStringLiteral("KP_Left") : QStringLiteral("Left");
	case Qt::Key_Right:
		return keypad ? QStringLiteral("KP_Right") : QStringLiteral("Right");
	case Qt::Key_Up:
		return keypad ? QStringLiteral("KP_Up") : QStringLiteral("Up");
	case Qt::Key_Down:
		return keypad ? QStringLiteral("KP_Down") : QStringLiteral("Down");
	case Qt::Key_Enter:
	case Qt::Key_Return:
		return QStringLiteral("Return");
	case Qt::Key_Backspace:
		return QStringLiteral("BackSpace");
	case Qt::Key_Delete:
		return QStringLiteral("Delete");
	case Qt::Key_PageUp:
		return keypad ? QStringLiteral("KP_Page_Up") : QStringLiteral("Page_Up");
	case Qt::Key_PageDown:
		return keypad ? QStringLiteral("KP_Page_Down") : QStringLiteral("Page_Down");
	case Qt::Key_Home:
		return keypad ? QStringLiteral("KP_Home") : QStringLiteral("Home");
	case Qt::Key_End:
		return keypad ? QStringLiteral("KP_End") : QStringLiteral("End");
	case Qt::Key_Clear:
		return keypad ? QStringLiteral("KP_Begin") : key.text();
	case Qt::Key_Escape:
		return QStringLiteral("Escape");
	case Qt::Key_Space:
		return QStringLiteral("space");
	case Qt::Key_CapsLock:
		return QStringLiteral("Caps_Lock");
	case Qt::Key_NumLock:
		return QStringLiteral("Num_Lock");
	case Qt::Key_Insert:
		return QStringLiteral("Insert");
	default:
		return key.text();
	}
}

AtspiKeyEvent ToAtspi(const QKeyEvent &key)
{
	// AT-SPI's modifier bits: Shift, Shift Lock, Control, Alt, Meta.
	constexpr int kShift = 1 << 0, kShiftLock = 1 << 1, kControl = 1 << 2, kAlt = 1 << 3, kMeta = 1 << 4;
	// X11's Lock modifier, where Caps Lock is.
	constexpr quint32 kX11LockMask = 1 << 1;
	AtspiKeyEvent event;
	event.type = key.type() == QEvent::KeyPress ? 0 : 1;
	event.id = static_cast<int32_t>(key.nativeVirtualKey());
	event.hardware_code = static_cast<int32_t>(key.nativeScanCode());
	// A screen reader takes a key without a time for none of its commands.
	event.timestamp = static_cast<int32_t>(QDateTime::currentMSecsSinceEpoch());
	event.text = KeyName(key);
	event.is_text = !event.text.isEmpty();
	const Qt::KeyboardModifiers held = key.modifiers();
	if ((held & Qt::ShiftModifier) && key.key() != Qt::Key_Shift)
		event.modifiers |= kShift;
	if (QGuiApplication::platformName().startsWith(QStringLiteral("xcb")) &&
	    (key.nativeModifiers() & kX11LockMask))
		event.modifiers |= kShiftLock;
	if ((held & Qt::ControlModifier) && key.key() != Qt::Key_Control)
		event.modifiers |= kControl;
	if ((held & Qt::AltModifier) && key.key() != Qt::Key_Alt)
		event.modifiers |= kAlt;
	if ((held & Qt::MetaModifier) && key.key() != Qt::Key_Meta)
		event.modifiers |= kMeta;
	return event;
}

// The connection Qt's bridge opened to the accessibility bus.
QDBusConnection AccessibilityBus()
{
	return QDBusConnection(QStringLiteral("a11y"));
}

bool IsPlainModifier(const QKeyEvent &key)
{
	switch (key.key()) {
	case Qt::Key_Control:
	case Qt::Key_Shift:
	case Qt::Key_Alt:
	case Qt::Key_AltGr:
	case Qt::Key_Meta:
		return true;
	default:
		return false;
	}
}

} // namespace

} // namespace velira

Q_DECLARE_METATYPE(velira::AtspiKeyEvent)

namespace velira
{

AtspiKeyListeners::AtspiKeyListeners()
{
	qDBusRegisterMetaType<AtspiKeyEvent>();
}

bool AtspiKeyListeners::Available() const
{
	return AccessibilityBus().isConnected();
}

void AtspiKeyListeners::Ask(const QKeyEvent &key, std::function<void(bool consumed)> answered)
{
	QDBusMessage call = QDBusMessage::createMethodCall(
	    QStringLiteral("org.a11y.atspi.Registry"),
	    QStringLiteral("/org/a11y/atspi/registry/deviceeventcontroller"),
	    QStringLiteral("org.a11y.atspi.DeviceEventController"), QStringLiteral("NotifyListenersSync"));
	call << QVariant::fromValue(ToAtspi(key));
	auto *watcher =
	    new QDBusPendingCallWatcher(AccessibilityBus().asyncCall(call, kReaderAnswer_ms), this);
	connect(watcher, &QDBusPendingCallWatcher::finished, this,
	        [answered = std::move(answered)](QDBusPendingCallWatcher *finished) {
		        finished->deleteLater();
		        const QDBusPendingReply<bool> reply = *finished;
		        // No answer: the key is the window's, as without a screen reader.
		        answered(!reply.isError() && reply.value());
	        });
}

std::unique_ptr<QKeyEvent> CopyKeyEvent(const QKeyEvent &key)
{
	auto copy = std::make_unique<QKeyEvent>(key.type(), key.key(), key.modifiers(), key.nativeScanCode(),
	                                        key.nativeVirtualKey(), key.nativeModifiers(), key.text(),
	                                        IsRepeatRelease(key) || key.isAutoRepeat(), key.count(),
	                                        key.device());
	copy->setTimestamp(key.timestamp());
	return copy;
}

ShellApplication::ShellApplication(int &argc, char **argv)
    : QApplication(argc, argv), atspi_(std::make_unique<AtspiKeyListeners>())
{
	listeners_ = atspi_.get();
}

ShellApplication::~ShellApplication() = default;

void ShellApplication::SetReaderListeners(ReaderKeyListeners *listeners)
{
	listeners_ = listeners != nullptr ? listeners : atspi_.get();
}

void ShellApplication::ResetKeyGate()
{
	gate_.Reset();
	waiting_.clear();
	asking_ = false;
	++generation_;
	servesReader = nullptr;
	deviceOwns = nullptr;
	listeners_ = atspi_.get();
}

GateKey ShellApplication::Facts(const QKeyEvent &key) const
{
	GateKey facts;
	facts.press = key.type() == QEvent::KeyPress || key.type() == QEvent::ShortcutOverride;
	facts.auto_repeat = key.isAutoRepeat();
	facts.scan_code = key.nativeScanCode();
	facts.reader_modifier = key.key() == Qt::Key_Insert || key.key() == Qt::Key_CapsLock;
	facts.escape = key.key() == Qt::Key_Escape;
	facts.device_owns = servesReader && servesReader() && deviceOwns && deviceOwns(key);
	return facts;
}

void ShellApplication::Deliver(QObject *receiver, QKeyEvent &key)
{
	// The handlers may wait in a nested event loop (a dialog), where the
	// next keys pass the gate in their turn.
	QApplication::notify(receiver, &key);
}

void ShellApplication::Pump()
{
	while (!asking_ && !waiting_.empty()) {
		Waiting next = std::move(waiting_.front());
		waiting_.pop_front();
		if (next.receiver == nullptr)
			continue;
		const GateKey facts = Facts(*next.key);
		if (gate_.Route(facts) == KeyReceiver::kWindow) {
			Deliver(next.receiver, *next.key);
			continue;
		}
		asking_ = true;
		const uint64_t generation = generation_;
		auto shared = std::make_shared<Waiting>(std::move(next));
		listeners_->Ask(*shared->key, [this, generation, facts, shared](bool consumed) {
			if (generation != generation_)
				return;
			asking_ = false;
			gate_.ReaderAnswered(facts, consumed);
			if (!consumed && shared->receiver != nullptr)
				Deliver(shared->receiver, *shared->key);
			Pump();
		});
	}
}

bool ShellApplication::notify(QObject *receiver, QEvent *event)
{
	const QEvent::Type type = event->type();
	if (type == QEvent::ApplicationDeactivate)
		gate_.KeyboardLeft();
	if (!event->spontaneous() ||
	    (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride))
		return QApplication::notify(receiver, event);
	auto *key = static_cast<QKeyEvent *>(event);
	// The window system delivers a key to the window first.
	if (!receiver->isWindowType())
		return QApplication::notify(receiver, event);
	const bool ask_reader = listeners_ != nullptr && listeners_->Available();
	if (type == QEvent::ShortcutOverride) {
		// Qt tries the menus' shortcuts with a press before the press
		// reaches any window, with what the window system knows of the key
		// (Ctrl+Plus is Ctrl+Shift+= on most layouts); a shortcut that
		// takes the press leaves only its release, which must go where the
		// press would have gone.
		if (ask_reader && !asking_ && waiting_.empty())
			gate_.Route(Facts(*key));
		return QApplication::notify(receiver, event);
	}
	if (ask_reader && IsPlainModifier(*key)) {
		// Ctrl, Shift, Alt and Meta reach the window at once, whatever
		// waits, since the shortcuts pressed with them do: Alt+S opens the
		// Settings menu as it comes, and an Alt press that came after it
		// would close the menu again. The screen reader still hears them;
		// it takes none of them for itself.
		const std::unique_ptr<QKeyEvent> copy = CopyKeyEvent(*key);
		if (gate_.Route(Facts(*key)) == KeyReceiver::kScreenReader)
			listeners_->Ask(*copy, [](bool) {});
		Deliver(receiver, *copy);
		event->setAccepted(copy->isAccepted());
		return true;
	}
	if (!ask_reader) {
		const GateKey facts = Facts(*key);
		if (gate_.Route(facts) == KeyReceiver::kScreenReader) {
			gate_.ReaderAnswered(facts, false);
			return QApplication::notify(receiver, event);
		}
		const std::unique_ptr<QKeyEvent> kept = CopyKeyEvent(*key);
		const bool handled = QApplication::notify(receiver, kept.get());
		event->setAccepted(kept->isAccepted());
		return handled;
	}
	waiting_.push_back(Waiting{receiver, CopyKeyEvent(*key)});
	Pump();
	event->accept();
	return true;
}

} // namespace velira
