#include "platform/qt/held_key_query.h"

#include <QGuiApplication>

#if QT_CONFIG(xcb)
#include <dlfcn.h>
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace velira
{

#if QT_CONFIG(xcb)
namespace
{

using QueryKeymap = xcb_query_keymap_cookie_t (*)(xcb_connection_t *);
using QueryKeymapReply = xcb_query_keymap_reply_t *(*)(xcb_connection_t *, xcb_query_keymap_cookie_t,
                                                       xcb_generic_error_t **);

// The X server's table of keys held, bit per key code; false when it cannot
// be asked. The xcb library is the one Qt's X11 platform loaded: looked up
// in the process, so the shell needs no X11 library of its own.
bool ServerHoldsKey(xcb_connection_t *connection, quint32 key_code)
{
	static const auto query = reinterpret_cast<QueryKeymap>(dlsym(RTLD_DEFAULT, "xcb_query_keymap"));
	static const auto reply_of =
	    reinterpret_cast<QueryKeymapReply>(dlsym(RTLD_DEFAULT, "xcb_query_keymap_reply"));
	if (query == nullptr || reply_of == nullptr || key_code == 0 || key_code > 255)
		return false;
	xcb_query_keymap_reply_t *reply = reply_of(connection, query(connection), nullptr);
	if (reply == nullptr)
		return false;
	const bool held = (reply->keys[key_code / 8] >> (key_code % 8)) & 1;
	std::free(reply);
	return held;
}

} // namespace
#endif

bool IsRepeatRelease(const QKeyEvent &event)
{
	if (event.type() != QEvent::KeyRelease)
		return false;
	if (event.isAutoRepeat())
		return true;
	// A key the window gets from the screen-reader gate (not spontaneous)
	// may have waited there: the gate asked when it came, and marked it
	// auto-repeat then. Asked now, the server would report the keys held
	// since, the next chord's.
	if (!event.spontaneous())
		return false;
#if QT_CONFIG(xcb)
	if (QGuiApplication::platformName() != QLatin1String("xcb"))
		return false;
	const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
	if (x11 == nullptr || x11->connection() == nullptr)
		return false;
	// Synthesized events carry no key code and are taken as they come.
	return ServerHoldsKey(x11->connection(), event.nativeScanCode());
#else
	return false;
#endif
}

} // namespace velira
