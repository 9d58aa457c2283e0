#include "screen_reader/presence.h"

#include <gtest/gtest.h>

namespace velira
{
namespace
{

using P = ScreenReaderPresence;

const ListeningProgram kOrca{"orca", {"orca", "--replace"}};
const ListeningProgram kMagnifier{"gnome-magnifier", {"/usr/bin/gnome-magnifier"}};

// Each source proves a screen reader on its own; absent only when every
// source has answered.
TEST(ScreenReaderPresenceTest, DecidedFromTheFacts)
{
	struct Case {
		const char *what;
		ScreenReaderFacts facts;
		P presence;
	};
	const std::vector<ListeningProgram> none;
	const std::vector<Case> cases = {
	    {"nothing answered yet", {}, P::kUnknown},
	    {"every source answered: none", {false, false, 0, none}, P::kAbsent},
	    {"the desktop's switch (Orca started by the desktop)", {true, false, 0, none}, P::kPresent},
	    {"Orca's service (49 on, also started by hand)", {false, true, 0, none}, P::kPresent},
	    {"a keystroke listener (Orca up to 45)", {false, false, 1, none}, P::kPresent},
	    {"an event listener named orca (Orca 46 on)",
	     {false, false, 0, std::vector{kMagnifier, kOrca}},
	     P::kPresent},
	    {"an event listener that is no screen reader",
	     {false, false, 0, std::vector{kMagnifier}},
	     P::kAbsent},
	    {"one yes suffices while others are still unanswered",
	     {std::nullopt, true, std::nullopt, std::nullopt},
	     P::kPresent},
	    {"one source still unanswered", {false, false, std::nullopt, none}, P::kUnknown},
	    {"the listeners' processes not yet known", {false, false, 0, std::nullopt}, P::kUnknown},
	};
	for (const Case &c : cases)
		EXPECT_EQ(ChooseScreenReaderPresence(c.facts), c.presence) << c.what;
}

TEST(ScreenReaderPresenceTest, ScreenReaderProgramsByTheirProcess)
{
	struct Case {
		ListeningProgram program;
		bool reader;
	};
	const std::vector<Case> cases = {
	    {kOrca, true},
	    {{"orca", {}}, true}, // the command line unreadable
	    {{"python3", {"/usr/bin/python3", "/usr/bin/orca", "--debug"}}, true},
	    {{"python3", {"python3", "-O", "-m", "orca"}}, true},
	    {{"odilia", {"/usr/local/bin/odilia"}}, true},
	    {{"", {}}, false}, // gone, or in another process namespace
	    {{"python3", {"python3", "/usr/bin/accerciser"}}, false},
	    {{"bash", {"bash", "orca"}}, false},
	    {{"orcaview", {"/usr/bin/orcaview"}}, false},
	    {kMagnifier, false},
	};
	for (const Case &c : cases)
		EXPECT_EQ(IsScreenReaderProgram(c.program), c.reader)
		    << c.program.name << " "
		    << (c.program.arguments.empty() ? "" : c.program.arguments.back());
}

// Questions asked again as a source changes: the answer to an older one
// that arrives after a newer was taken, or after a notice that carried the
// value, is dropped.
TEST(ScreenReaderPresenceTest, AStaleAnswerNeverWins)
{
	AnswerOrder order;
	const uint64_t first = order.Ask();
	const uint64_t second = order.Ask();
	EXPECT_FALSE(order.IsLatest(first));
	EXPECT_TRUE(order.IsLatest(second));
	EXPECT_TRUE(order.Take(second));
	EXPECT_FALSE(order.Take(first)) << "the older answer came last";
	EXPECT_FALSE(order.Take(second)) << "one answer per question";

	const uint64_t third = order.Ask();
	EXPECT_TRUE(order.Take(order.Ask())) << "a notice that carried the value";
	EXPECT_FALSE(order.Take(third)) << "the reply asked before the notice";
}

} // namespace
} // namespace velira
