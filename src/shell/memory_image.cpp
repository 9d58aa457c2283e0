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

namespace
{
bool g_loaded = false;
}

bool MemoryImageLoaded()
{
	return g_loaded;
}

void ForgetMemoryImage()
{
	g_loaded = false;
}

void LoadMemoryImage()
{
	g_loaded = false;
	const std::string &path = MemoryImagePath();
	std::error_code error;
	if (!std::filesystem::exists(path, error)) {
		// A status that cannot be asked (a folder on the way that cannot
		// be searched) is not a missing file: the image there is kept.
		g_loaded = !error;
		return;
	}
	const std::string prefix = "Cannot open file \"" + PathForMessage(path) + "\". ";
	if (std::filesystem::is_directory(path, error))
		throw ShellError(prefix + SystemReason(EISDIR));
	std::FILE *file = std::fopen(path.c_str(), "rb");
	if (file == nullptr)
		throw ShellError(prefix + SystemReason(errno));
	const size_t read = std::fread(ramImage.data(), 1, ramImage.size(), file);
	const bool failed = std::ferror(file) != 0;
	const int saved = errno;
	std::fclose(file);
	if (failed)
		throw ShellError("Read error on " + PathForMessage(path) + ": " + SystemReason(saved));
	(void)read;
	g_loaded = true;
}

void SaveMemoryImage()
{
	if (!g_loaded)
		return;
	try {
		WriteFileAtomically(
		    MemoryImagePath(),
		    std::string_view(reinterpret_cast<const char *>(ramImage.data()), ramImage.size()));
	} catch (const std::exception &e) {
		// The file's name and the system's reason, both from the system.
		throw ShellError(Cp1250FromUtf8(e.what()));
	}
}

} // namespace velira
