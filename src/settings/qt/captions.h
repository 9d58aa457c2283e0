#pragma once

#include "platform/qt/qt_text.h"
#include "settings/localized_texts.h"

#include <QString>

namespace velira
{

// Localized text `n` in the current language as a window caption, with
// `suffix` appended ("..." for the items that open a dialog).
inline QString LocalizedCaption(int n, const char *suffix = "")
{
	return FromCp1250(LocalizedText(languageBase, n) + suffix);
}

// A caption without its access-key marker, as a screen reader says it.
inline QString SpokenCaption(QString caption)
{
	return caption.remove(QLatin1Char('&'));
}

} // namespace velira
