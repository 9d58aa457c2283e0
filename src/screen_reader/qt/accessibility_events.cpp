#include "screen_reader/qt/accessibility_events.h"

#include <QAccessible>
#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <QtGlobal>

#include <algorithm>

namespace velira
{

namespace
{

std::vector<QPointer<QObject>> quiet_controls;
std::function<bool()> quiet_now;
QAccessible::UpdateHandler earlier_handler = nullptr;
bool installed = false;

bool IsTextEvent(QAccessible::Event type)
{
	switch (type) {
	case QAccessible::TextCaretMoved:
	case QAccessible::TextInserted:
	case QAccessible::TextRemoved:
	case QAccessible::TextUpdated:
	case QAccessible::TextSelectionChanged:
	case QAccessible::TextAttributeChanged:
	case QAccessible::TextColumnChanged:
		return true;
	default:
		return false;
	}
}

void Forward(QAccessibleEvent *event);

// A control of a window that is not shown cannot have the focus; Qt
// reports one when a hidden dialog's list gets its current item (the voice
// list, filled after start-up), and a screen reader would present the
// dialog then.
bool IsFocusOfHiddenControl(const QAccessibleEvent *event)
{
	if (event->type() != QAccessible::Focus || event->object() == nullptr ||
	    !event->object()->isWidgetType())
		return false;
	return !static_cast<const QWidget *>(event->object())->isVisible();
}

void FilterUpdate(QAccessibleEvent *event)
{
	if (IsFocusOfHiddenControl(event))
		return;
	if (event->object() != nullptr && IsTextEvent(event->type()) && quiet_now && quiet_now())
		for (const QPointer<QObject> &control : quiet_controls)
			if (control.data() == event->object())
				return;
	Forward(event);
}

void Forward(QAccessibleEvent *event)
{
	if (earlier_handler != nullptr) {
		earlier_handler(event);
		return;
	}
	// Qt's own delivery to the bridge runs when no handler is installed.
	QAccessible::installUpdateHandler(nullptr);
	QAccessible::updateAccessibility(event);
	QAccessible::installUpdateHandler(FilterUpdate);
}

} // namespace

void FilterAccessibilityEvents(std::vector<QObject *> controls, std::function<bool()> quiet)
{
	if (controls.empty()) {
		if (installed)
			QAccessible::installUpdateHandler(earlier_handler);
		installed = false;
		quiet_controls.clear();
		quiet_now = nullptr;
		earlier_handler = nullptr;
		return;
	}
	if (!installed)
		earlier_handler = QAccessible::installUpdateHandler(FilterUpdate);
	installed = true;
	quiet_controls.assign(controls.begin(), controls.end());
	quiet_now = std::move(quiet);
}

bool AnnounceToScreenReader(const QString &message)
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
	QWidget *window = QApplication::activeWindow();
	if (window == nullptr) {
		const QWidgetList windows = QApplication::topLevelWidgets();
		const auto shown = std::find_if(windows.begin(), windows.end(),
		                                [](const QWidget *each) { return each->isVisible(); });
		window = shown != windows.end() ? *shown : nullptr;
	}
	if (window == nullptr || !QAccessible::isActive())
		return false;
	QAccessibleAnnouncementEvent announcement(window, message);
	QAccessible::updateAccessibility(&announcement);
	return true;
#else
	Q_UNUSED(message);
	return false;
#endif
}

} // namespace velira
