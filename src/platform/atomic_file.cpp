#include "platform/atomic_file.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace velira
{

namespace
{

// More links in a row than this is a loop, as the system counts them.
constexpr int kMaxLinkDepth = 40;

// `error` is the error number of the call that failed, taken right after it:
// a call made since (a clean-up, a check) may have changed errno.
[[noreturn]] void Fail(int error, const std::string &what)
{
	throw std::system_error(error, std::generic_category(), what);
}

// The file that `path` names once every symbolic link on it is followed:
// the one to replace, so that the link itself stays a link. A link to a
// file that does not exist yet names the file to create.
std::string FollowLinks(const std::string &path)
{
	std::string current = path;
	for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
		struct stat status {
		};
		if (::lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
			return current;
		std::string target(PATH_MAX, '\0');
		const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
		if (length < 0)
			return current;
		target.resize(static_cast<size_t>(length));
		if (!target.empty() && target[0] != '/') {
			const size_t slash = current.rfind('/');
			if (slash != std::string::npos)
				target = current.substr(0, slash + 1) + target;
		}
		current = target;
	}
	Fail(ELOOP, "Cannot replace " + path);
}

bool WriteAll(int fd, std::string_view data)
{
	size_t written = 0;
	while (written < data.size()) {
		const ssize_t n = ::write(fd, data.data() + written, data.size() - written);
		if (n < 0) {
			if (errno == EINTR)
				continue;
			return false;
		}
		written += static_cast<size_t>(n);
	}
	return true;
}

// The file is writable but its folder is not, so no file can be made beside
// it: it is overwritten where it is. Not safe against a crash in the middle,
// but the only way to keep what the user asked to be kept.
void WriteInPlace(const std::string &path, std::string_view data)
{
	const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
	if (fd < 0)
		Fail(errno, "Cannot write " + path);
	if (!WriteAll(fd, data) || ::ftruncate(fd, static_cast<off_t>(data.size())) != 0 ||
	    ::fsync(fd) != 0) {
		const int failed = errno;
		::close(fd);
		Fail(failed, "Cannot write " + path);
	}
	if (::close(fd) != 0)
		Fail(errno, "Cannot write " + path);
}

} // namespace

void WriteFileAtomically(const std::string &path, std::string_view data)
{
	const std::string target = FollowLinks(path);
	struct stat existing {
	};
	const bool exists = ::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
	const std::string temporary = target + ".tmp";
	// A link planted in the temporary file's place is not followed.
	const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
	if (fd < 0) {
		const int failed = errno;
		if ((failed == EACCES || failed == EPERM) && exists && ::access(target.c_str(), W_OK) == 0) {
			WriteInPlace(target, data);
			return;
		}
		Fail(failed, "Cannot create " + temporary);
	}
	if (exists) {
		// The new file keeps the old one's permissions and, where the
		// system allows, its owner.
		::fchmod(fd, existing.st_mode & 07777);
		[[maybe_unused]] const int owner = ::fchown(fd, existing.st_uid, existing.st_gid);
	}
	if (!WriteAll(fd, data)) {
		const int failed = errno;
		::close(fd);
		::unlink(temporary.c_str());
		Fail(failed, "Cannot write " + temporary);
	}
	int failure = 0;
	if (::fsync(fd) != 0)
		failure = errno;
	if (::close(fd) != 0 && failure == 0)
		failure = errno;
	if (failure != 0) {
		::unlink(temporary.c_str());
		Fail(failure, "Cannot write " + temporary);
	}
	if (std::rename(temporary.c_str(), target.c_str()) != 0) {
		const int failed = errno;
		::unlink(temporary.c_str());
		Fail(failed, "Cannot replace " + path);
	}
}

} // namespace velira
