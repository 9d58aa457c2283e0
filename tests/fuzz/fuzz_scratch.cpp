#include "fuzz_scratch.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace velira::fuzz
{

void EnterScratchFolder()
{
	static std::string folder;
	if (folder.empty()) {
		std::string pattern =
		    (std::filesystem::temp_directory_path() / "velira-fuzz-XXXXXX").string();
		if (mkdtemp(pattern.data()) == nullptr) {
			std::perror("mkdtemp");
			std::abort();
		}
		folder = pattern;
		// The folder goes when the process ends, crash or not matters
		// little: it holds only the last input.
		std::atexit([] {
			std::error_code error;
			std::filesystem::remove_all(folder, error);
		});
	}
	if (chdir(folder.c_str()) != 0) {
		std::perror("chdir");
		std::abort();
	}
}

void WriteInput(const char *name, const uint8_t *data, size_t size)
{
	std::FILE *file = std::fopen(name, "wb");
	if (file == nullptr) {
		std::perror(name);
		std::abort();
	}
	if (size > 0 && std::fwrite(data, 1, size, file) != size) {
		std::perror(name);
		std::abort();
	}
	std::fclose(file);
}

} // namespace velira::fuzz
