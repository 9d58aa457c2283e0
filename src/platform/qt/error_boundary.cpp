#include "platform/qt/error_boundary.h"

#include "platform/desktop.h"
#include "platform/services.h"

#include <cstdio>

namespace velira
{

void ShowErrorMessage(const std::exception &error)
{
	Desktop *desktop = services().desktop;
	if (desktop == nullptr) {
		std::fprintf(stderr, "%s\n", error.what());
		return;
	}
	try {
		desktop->ShowError(error.what());
	} catch (const std::exception &report_error) {
		// The report itself failed: nothing may escape the boundary.
		std::fprintf(stderr, "%s\n%s\n", error.what(), report_error.what());
	}
}

} // namespace velira
