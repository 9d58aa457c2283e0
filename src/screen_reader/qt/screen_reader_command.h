#pragma once

namespace velira
{

// The Settings menu's screen-reader command: auto, then always, then never,
// then auto again; the choice is saved and said.
void ScreenReaderCommand();

} // namespace velira
