// Feeds every file named on the command line, or every file inside a named
// folder, to the fuzz target once: the corpus and the crash files become an
// ordinary test of the normal build.
#include "fuzz_scratch.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{

std::vector<uint8_t> ReadAll(const std::filesystem::path &path)
{
	std::ifstream in(path, std::ios::binary);
	return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char **argv)
{
	std::vector<std::filesystem::path> inputs;
	for (int i = 1; i < argc; ++i) {
		const std::filesystem::path arg(argv[i]);
		if (std::filesystem::is_directory(arg)) {
			for (const auto &entry : std::filesystem::directory_iterator(arg))
				if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
					inputs.push_back(entry.path());
		} else if (std::filesystem::exists(arg)) {
			inputs.push_back(arg);
		}
	}
	std::sort(inputs.begin(), inputs.end());
	for (const auto &path : inputs) {
		const std::vector<uint8_t> bytes = ReadAll(path);
		std::printf("replaying %s (%zu bytes)\n", path.c_str(), bytes.size());
		std::fflush(stdout);
		LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
	}
	std::printf("%zu inputs replayed\n", inputs.size());
	return inputs.empty() ? 1 : 0;
}
