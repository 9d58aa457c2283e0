#pragma once

namespace velira::testing
{

// What the window tests' one application object holds between tests, as at
// its start: the screen-reader key gate with the keys it holds back, and
// its connections to a window. Runs after every test.
void ResetApplication();

} // namespace velira::testing
