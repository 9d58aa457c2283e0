#include "shell/memory_image.h"

#include "platform/atomic_file.h"
#include "platform/error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace velira
{

std::array<uint8_t, kMemorySize> ramImage{};

void LoadMemoryImage()
{
	std::error_code error;
	if (!std::filesystem::exists(kMemoryImageFileName, error))
		return;
	const std::string prefix = std::string("Cannot open file \"") + kMemoryImageFileName + "\". ";
	if (std::filesystem::is_directory(kMemoryImageFileName, error))
		throw ShellError(prefix + std::strerror(EISDIR));
	std::FILE *file = std::fopen(kMemoryImageFileName, "rb");
	if (file == nullptr)
		throw ShellError(prefix + std::strerror(errno));
	const size_t read = std::fread(ramImage.data(), 1, ramImage.size(), file);
	const bool failed = std::ferror(file) != 0;
	const int saved = errno;
	std::fclose(file);
	if (failed)
		throw ShellError(std::string("Read error on ") + kMemoryImageFileName + ": " +
		                 std::strerror(saved));
	(void)read;
}

void SaveMemoryImage()
{
	try {
		WriteFileAtomically(
		    kMemoryImageFileName,
		    std::string_view(reinterpret_cast<const char *>(ramImage.data()), ramImage.size()));
	} catch (const std::exception &e) {
		throw ShellError(e.what());
	}
}

} // namespace velira
