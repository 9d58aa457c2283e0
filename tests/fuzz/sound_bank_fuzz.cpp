// The sound bank reader on untrusted bytes: it may raise its error, never
// crash, read out of bounds or allocate what the file merely claims.
#include "fuzz_scratch.h"
#include "sound/sound_bank_reader.h"

#include <exception>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
	const std::string_view bytes(reinterpret_cast<const char *>(data), size);
	velira::TWaveCollection items;
	try {
		velira::ReadSoundBank(bytes, items);
	} catch (const std::exception &) {
		// The items read before the error stay usable.
	}
	for (size_t i = 0; i < items.Count(); ++i)
		(void)items.Item(i).Name;
	velira::TWave wave;
	try {
		velira::ReadWaveImage(bytes, wave);
	} catch (const std::exception &) {
	}
	return 0;
}
