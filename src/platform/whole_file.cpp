#include "platform/whole_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace velira
{

std::optional<std::string> ReadWholeFile(const std::string &path)
{
	// Plain reads: a stream buffer throws from the middle of a read that
	// fails, whatever the stream's exception mask says.
	const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
	if (fd < 0)
		return std::nullopt;
	std::string text;
	char chunk[4096];
	for (;;) {
		const ssize_t got = ::read(fd, chunk, sizeof chunk);
		if (got > 0) {
			text.append(chunk, static_cast<size_t>(got));
			continue;
		}
		if (got < 0 && errno == EINTR)
			continue;
		::close(fd);
		if (got < 0)
			return std::nullopt;
		return text;
	}
}

} // namespace velira
