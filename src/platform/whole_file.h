#pragma once

#include <optional>
#include <string>

namespace velira
{

// The whole content of the file at `path`, or nothing when it cannot be
// opened or a read fails part way (a folder, a process's entry under /proc
// that ended while it was read). Never throws for the file's sake.
std::optional<std::string> ReadWholeFile(const std::string &path);

} // namespace velira
