#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace velira
{

constexpr std::size_t kMemorySize = 65536;

// The 64 KiB that the program reaches with PEEK and POKE; it survives from
// one start of the shell to the next in "ram.dat".
extern std::array<uint8_t, kMemorySize> ramImage;

constexpr const char *kMemoryImageFileName = "ram.dat";

// Loads the memory image (MemoryImagePath: "ram.dat" of the working folder,
// or the user's own) over ramImage: a missing file
// leaves it as it is, a shorter file fills only its first bytes, a longer
// one only the 65536. Raises ShellError when the file cannot be read.
void LoadMemoryImage();

// Writes all 65536 bytes to the memory image, replacing the old file whole.
// Raises ShellError when it cannot. Only an image that LoadMemoryImage read
// (or found missing) is written: until then, and after a load that failed,
// the save writes nothing, so a start-up that stopped before the image was
// read never puts zeros over the user's file.
void SaveMemoryImage();

// Whether the image in memory is the one to keep: LoadMemoryImage read the
// file or found none.
bool MemoryImageLoaded();
// Back to the state before start-up: nothing loaded, nothing to write.
void ForgetMemoryImage();

} // namespace velira
