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
//
// A symbolic link is followed: the file it names is replaced (the temporary
// file lies beside that one) and the link stays a link. The new file keeps
// the old one's permission bits. A file that is writable in a folder that is
// not gets written in place, since nothing can be made beside it.
void WriteFileAtomically(const std::string &path, std::string_view data);

} // namespace velira
