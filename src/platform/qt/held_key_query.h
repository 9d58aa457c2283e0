#pragma once

#include <QKeyEvent>

namespace velira
{

// Whether a key release is one of the releases that X11 sends between the
// repeated presses of a held key. Qt marks those as auto-repeat only when
// the next press is already waiting in its queue, which on a busy or slow
// connection it is not; then the X server, asked for the keys held now,
// still reports the key down. Always false off X11; for a key that is not
// spontaneous, true only when it is marked auto-repeat.
bool IsRepeatRelease(const QKeyEvent &event);

} // namespace velira
