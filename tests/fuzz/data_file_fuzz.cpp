// The DATA reader on any file: every READ returns, and the reads end once the
// file is used up.
#include "fuzz_scratch.h"
#include "runtime/velcommands.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
	using namespace velira;
	fuzz::EnterScratchFolder();
	fuzz::WriteInput(kDataFileName, data, size);
	try {
		OpenDataFile();
	} catch (const std::exception &) {
		return 0;
	}
	size_t total = 0;
	// Each READ takes at least one byte while any is left, so size + 2 reads
	// always reach the end.
	for (size_t i = 0; i < size + 2; ++i)
		total += ReadDataItem().size();
	if (total > size)
		__builtin_trap();
	CloseDataFile();
	return 0;
}
