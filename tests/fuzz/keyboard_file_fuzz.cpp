// The keyboard file loader on any file, then the lookup of every code.
#include "fuzz_scratch.h"
#include "input/braille_tables.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
	using namespace velira;
	fuzz::EnterScratchFolder();
	const char *name = "fuzz.vky";
	fuzz::WriteInput(name, data, size);
	ClearInputTables();
	keyboardFileName = name;
	try {
		LoadKeyboardFile();
	} catch (const std::exception &) {
		// The slots filled before the bad line stay.
	}
	for (int code = 0; code < 256; ++code) {
		const int slot = FindEchoKey(static_cast<uint8_t>(code));
		if (slot != kNoEchoKey && (slot < 0 || slot >= kEchoKeySlots))
			__builtin_trap();
	}
	return 0;
}
