// The window tests need one QApplication for the whole program: the shell's
// own, as the shell has it.
#include "platform/qt/screen_reader_keys.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
	setenv("QT_QPA_PLATFORM", "offscreen", 0);
	velira::ShellApplication app(argc, argv);
	::testing::InitGoogleTest(&argc, argv);
	return RUN_ALL_TESTS();
}
