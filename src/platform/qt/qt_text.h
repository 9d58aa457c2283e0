#pragma once

#include "platform/cp1250.h"

#include <QString>

#include <string>

namespace velira
{

// The boundary between the shell's code page 1250 text and Qt's Unicode.
inline QString FromCp1250(const std::string &text)
{
	return QString::fromStdString(Utf8FromCp1250(text));
}

inline std::string ToCp1250(const QString &text)
{
	return Cp1250FromUtf8(text.toStdString());
}

} // namespace velira
