// The settings file on any bytes: every read gives a value or the default,
// and a write keeps the file readable and the value just written.
#include "fuzz_scratch.h"
#include "settings/settings_file.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
	using namespace velira;
	fuzz::EnterScratchFolder();
	const char *name = "velira.ini";
	fuzz::WriteInput(name, data, size);
	IniFile file(name);
	(void)file.ReadBool("voice", "voiceallowed", true);
	(void)file.ReadInteger("sounds", "sndvolume", 0);
	(void)file.ReadInteger("environment", "language", 0);
	(void)file.ReadBool("Voice", "sapi5", false);
	if (file.ReadString("keyboard", "file", "").size() > 2047)
		__builtin_trap();
	try {
		file.WriteInteger("keyboard", "echo", 2);
	} catch (const std::exception &) {
		return 0;
	}
	if (file.ReadInteger("keyboard", "echo", -1) != 2)
		__builtin_trap();
	return 0;
}
