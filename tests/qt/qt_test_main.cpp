// The window tests need one QApplication for the whole program: the shell's
// own, as the shell has it. What it holds is reset after every test.
#include "qt/qt_application.h"
#include "screen_reader/qt/orca_care.h"
#include "screen_reader/qt/shell_application.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace velira::testing
{

void ResetApplication()
{
	static_cast<ShellApplication *>(qApp)->ResetKeyGate();
	// The user's own Orca, if one runs, is never the tests' to change.
	SetOrcaProcessTable("/nonexistent");
}

namespace
{

class ApplicationReset final : public ::testing::EmptyTestEventListener
{
	void OnTestEnd(const ::testing::TestInfo &) override { ResetApplication(); }
};

} // namespace

} // namespace velira::testing

int main(int argc, char **argv)
{
	setenv("QT_QPA_PLATFORM", "offscreen", 0);
	velira::ShellApplication app(argc, argv);
	::testing::InitGoogleTest(&argc, argv);
	velira::testing::ResetApplication();
	::testing::UnitTest::GetInstance()->listeners().Append(new velira::testing::ApplicationReset);
	return RUN_ALL_TESTS();
}
