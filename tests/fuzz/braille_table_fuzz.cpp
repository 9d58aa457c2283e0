// The braille table loader on any file, then chords translated against what
// it loaded.
#include "fuzz_scratch.h"
#include "input/braille_tables.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
	using namespace velira;
	fuzz::EnterScratchFolder();
	fuzz::WriteInput(kBrailleTableFile, data, size);
	ClearInputTables();
	brailleTableFileName = kBrailleTableFile;
	try {
		LoadBrailleTable();
	} catch (const std::exception &) {
		return 0;
	}
	if (characterCount > kMaxCharacterCount || prefixCount > kPrefixSlots)
		__builtin_trap();
	// Every pattern the table names, and a few it may not, type something or
	// nothing.
	for (int i = 0; i < prefixCount; ++i)
		(void)TranslateChord(braillePrefixes[static_cast<size_t>(i)].dots);
	for (int i = 0; i < characterCount; ++i)
		(void)TranslateChord(brailleCharacters[static_cast<size_t>(i)].dots);
	(void)TranslateChord("");
	(void)TranslateChord("123456");
	return 0;
}
