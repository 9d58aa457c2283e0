#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace velira::testing
{

// A process table of the test's own under `root`/proc, with Orca's launcher
// under `root`/usr: process PID runs it (as python3 /usr/bin/orca ...) with
// the arguments given (NUL-separated) and the environment given (likewise);
// the installed Orca says `version` in its orca_platform.py.
inline void WriteFakeOrca(const std::filesystem::path &root, int pid, const std::string &version,
                          const std::string &arguments, const std::string &environment)
{
	const auto write = [](const std::filesystem::path &path, const std::string &text) {
		std::filesystem::create_directories(path.parent_path());
		std::ofstream(path, std::ios::binary) << text;
	};
	const std::filesystem::path process = root / "proc" / std::to_string(pid);
	write(root / "usr/lib/python3/dist-packages/orca/orca_platform.py",
	      "version = \"" + version + "\"\n");
	write(process / "comm", "orca\n");
	write(process / "cmdline", std::string("/usr/bin/python3\0", 17) + (root / "usr/bin/orca").string() +
	                               std::string(1, '\0') + arguments);
	write(process / "environ", environment);
}

} // namespace velira::testing
