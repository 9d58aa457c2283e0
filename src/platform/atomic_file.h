#pragma once

#include <string>
#include <string_view>

namespace velira
{

// Replaces the file at `path` with `data` so that a crash or power loss at any
// moment leaves either the old or the new file whole: the data goes to a
// temporary file in the same folder, is flushed to the disk, and is renamed
// over the old file. Throws std::system_error when any step fails; the old
// file is then untouched and the temporary file removed.
void WriteFileAtomically(const std::string &path, std::string_view data);

} // namespace velira
