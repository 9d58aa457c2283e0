#include "platform/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace velira
{

namespace
{

[[noreturn]] void Fail(const std::string &what)
{
	throw std::system_error(errno, std::generic_category(), what);
}

} // namespace

void WriteFileAtomically(const std::string &path, std::string_view data)
{
	const std::string temporary = path + ".tmp";
	const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
	if (fd < 0)
		Fail("Cannot create " + temporary);
	size_t written = 0;
	while (written < data.size()) {
		const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
		if (n < 0) {
			if (errno == EINTR)
				continue;
			const int saved = errno;
			::close(fd);
			::unlink(temporary.c_str());
			errno = saved;
			Fail("Cannot write " + temporary);
		}
		written += static_cast<size_t>(n);
	}
	if (::fsync(fd) != 0 || ::close(fd) != 0) {
		const int saved = errno;
		::unlink(temporary.c_str());
		errno = saved;
		Fail("Cannot write " + temporary);
	}
	if (std::rename(temporary.c_str(), path.c_str()) != 0) {
		const int saved = errno;
		::unlink(temporary.c_str());
		errno = saved;
		Fail("Cannot replace " + path);
	}
}

} // namespace velira
