#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The file loaders read fixed names from the working directory: each target
// works in its own scratch folder, made once per process and entered there.
namespace velira::fuzz
{

// Enters the scratch folder (made on the first call).
void EnterScratchFolder();

// Replaces `name` in the working directory with the bytes.
void WriteInput(const char *name, const uint8_t *data, size_t size);

} // namespace velira::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
