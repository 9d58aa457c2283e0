#include "platform/qt/error_boundary.h"

#include "platform/cp1250.h"
#include "platform/desktop.h"
#include "platform/services.h"

#include <cstdio>

namespace velira
{

void ShowErrorMessage(const std::exception &error)
{
	// Also to the standard error stream, so that the session's log keeps
	// what the user was shown.
	std::fprintf(stderr, "%s\n", Utf8FromCp1250(error.what()).c_str());
	Desktop *desktop = services().desktop;
	if (desktop == nullptr)
		return;
	try {
		desktop->ShowError(error.what());
	} catch (const std::exception &report_error) {
		// The report itself failed: nothing may escape the boundary.
		std::fprintf(stderr, "%s\n", Utf8FromCp1250(report_error.what()).c_str());
	}
}

} // namespace velira
