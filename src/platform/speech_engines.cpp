#include "platform/speech_engines.h"

#include "platform/error.h"

#include <cstdio>

namespace velira
{

std::string SpeechResultText(SpeechResult result)
{
	switch (static_cast<uint32_t>(result)) {
	case 0x80004001u:
		return "Not implemented";
	case 0x80004005u:
		return "Unspecified error";
	case 0x80070057u:
		return "The parameter is incorrect";
	case 0x80040154u:
		return "Class not registered";
	case 0x8007000Eu:
		return "Not enough storage is available to complete this operation";
	default: {
		char text[64];
		std::snprintf(text, sizeof text, "Speech error %08X", static_cast<unsigned>(result));
		return text;
	}
	}
}

void CheckSpeechResult(SpeechResult result)
{
	if (SpeechFailed(result))
		throw ShellError(SpeechResultText(result));
}

} // namespace velira
