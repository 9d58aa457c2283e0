#pragma once

#include <string>

namespace velira
{

// The sound objects (mixer and wave list) are released on every way out.
// Their owner sets how (services().releaseSoundObjects) when it creates
// them; the ways out call ReleaseSoundObjects, which releases them once and
// ignores errors while releasing.
void ReleaseSoundObjects();

// The ways out of the shell that end the process at once: the memory image
// is written, speech shut down, the sound objects released, and the process
// ends. Used by Exit during a run, closing the window during a run, and the
// termination signals. When the image cannot be written the error is raised and the
// process goes on, so the user hears why and nothing is lost silently.
[[noreturn]] void SaveAndTerminate();

// A data file the shell cannot go on without is missing (the sound bank at
// start-up, the DATA file at the first READ): a message box with localized
// text 42 ("Can't find the file"), a blank and the path, and when the user
// has closed it speech is shut down and the process ends at once. Nothing is
// written.
[[noreturn]] void ReportMissingFileAndEnd(const std::string &path);

} // namespace velira
