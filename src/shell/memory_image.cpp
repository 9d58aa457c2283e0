#include "shell/memory_image.h"

#include "platform/atomic_file.h"
#include "platform/error.h"
#include "shell/file_locations.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace velira
{

std::array<uint8_t, kMemorySize> ramImage{};

void LoadMemoryImage()
{
	const std::string &path = MemoryImagePath();
	std::error_code error;
	if (!std::filesystem::exists(path, error))
		return;
	const std::string prefix = "Cannot open file \"" + path + "\". ";
	if (std::filesystem::is_directory(path, error))
		throw ShellError(prefix + std::strerror(EISDIR));
	std::FILE *file = std::fopen(path.c_str(), "rb");
	if (file == nullptr)
		throw ShellError(prefix + std::strerror(errno));
	const size_t read = std::fread(ramImage.data(), 1, ramImage.size(), file);
	const bool failed = std::ferror(file) != 0;
	const int saved = errno;
	std::fclose(file);
	if (failed)
		throw ShellError("Read error on " + path + ": " + std::strerror(saved));
	(void)read;
}

void SaveMemoryImage()
{
	try {
		WriteFileAtomically(
		    MemoryImagePath(),
		    std::string_view(reinterpret_cast<const char *>(ramImage.data()), ramImage.size()));
	} catch (const std::exception &e) {
		throw ShellError(e.what());
	}
}

} // namespace velira
