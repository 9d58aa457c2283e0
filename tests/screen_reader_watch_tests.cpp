#include "fakes/fake_orca.h"
#include "screen_reader/orca.h"
#include "screen_reader/presence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <tuple>
#include <unistd.h>

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
		bool orca;
	};
	const std::vector<Case> cases = {
	    {kOrca, true, true},
	    {{"orca", {}}, true, true}, // the command line unreadable
	    {{"python3", {"/usr/bin/python3", "/usr/bin/orca", "--debug"}}, true, true},
	    {{"python3", {"python3", "-O", "-m", "orca"}}, true, true},
	    {{"odilia", {"/usr/local/bin/odilia"}}, true, false},
	    {{"", {}}, false, false}, // gone, or in another process namespace
	    {{"python3", {"python3", "/usr/bin/accerciser"}}, false, false},
	    {{"python3", {"python3", "-O"}}, false, false},
	    {{"bash", {"bash", "orca"}}, false, false},
	    {{"orcaview", {"/usr/bin/orcaview"}}, false, false},
	    {kMagnifier, false, false},
	};
	for (const Case &c : cases) {
		const std::string what =
		    c.program.name + " " + (c.program.arguments.empty() ? "" : c.program.arguments.back());
		EXPECT_EQ(IsScreenReaderProgram(c.program), c.reader) << what;
		EXPECT_EQ(IsOrcaProgram(c.program), c.orca) << what;
	}
}

// Where each Orca takes its keys and keeps its settings decides what the
// shell sets in it, and where.
TEST(OrcaTest, TheCareFollowsTheVersionAndItsSettings)
{
	using C = OrcaCare;
	const std::vector<std::tuple<std::optional<int>, bool, C>> cases = {
	    {43, false, C::kKeyGate},
	    {45, true, C::kKeyGate},
	    {46, false, C::kAppSettingsFile},
	    {48, true, C::kAppSettingsFile},
	    {49, false, C::kAppSettingsLayer},
	    {51, true, C::kAppSettingsLayer},
	    {std::nullopt, true, C::kAppSettingsLayer},
	    {std::nullopt, false, C::kAppSettingsFile},
	};
	for (const auto &[version, schema, care] : cases)
		EXPECT_EQ(ChooseOrcaCare(version, schema), care) << version.value_or(-1) << " " << schema;

	struct Folder {
		OrcaProcess orca;
		std::string folder;
	};
	const std::vector<Folder> folders = {
	    {{{"orca", "-u", "/tmp/prefs"}, "/d", "/h", {}}, "/tmp/prefs"},
	    {{{"python3", "/usr/bin/orca", "--replace", "--user-prefs", "/p"}, "", "/h", {}}, "/p"},
	    {{{"orca", "--user-prefs=/q"}, "/d", "/h", {}}, "/q"},
	    {{{"orca", "--replace"}, "/d", "/h", {}}, "/d/orca"},
	    {{{"orca"}, "relative", "/h", {}}, "/h/.local/share/orca"},
	    {{{"orca", "-u"}, "", "", {}}, ""},
	};
	for (const Folder &f : folders)
		EXPECT_EQ(OrcaSettingsFolder(f.orca), f.folder) << f.orca.arguments.back();

	EXPECT_EQ(OrcaProfiles({{"orca"}, "", "", {}}), std::vector<std::string>{"default"});
	EXPECT_EQ(OrcaProfiles({{"orca", "-p", "work.conf"}, "", "", {}}),
	          (std::vector<std::string>{"default", "work"}));
	EXPECT_EQ(OrcaProfiles({{"orca", "--profile=default"}, "", "", {}}),
	          std::vector<std::string>{"default"});
	EXPECT_EQ(OrcaLayerPath("Default", "velira"), "/org/gnome/orca/default/apps/velira/typing-echo/");
	EXPECT_EQ(OrcaPathName("--Velira  Shell_2.x--"), "velira-shell-2-x");
}

TEST(OrcaTest, ItsVersionFromItsPlatformFile)
{
	EXPECT_EQ(ParseOrcaVersion("# version 2.1 of the License\n__version__ = \"$Revision$\"\n"
	                           "version     = \"43.1\"\nrevision = \"\"\n"),
	          43);
	EXPECT_EQ(ParseOrcaVersion("version = '51.2'"), 51);
	EXPECT_EQ(ParseOrcaVersion("version = 48\nversion = \"\"\n"), std::nullopt);
	EXPECT_EQ(ParseOrcaVersion("version = \"12345.0\""), std::nullopt);
	EXPECT_EQ(ParseOrcaVersion(""), std::nullopt);
}

// The user's Orcas among the processes, from a process table made for the
// test: each with its folder of settings and its installed version; one
// that ends while it is read is no error.
TEST(OrcaTest, TheUsersOrcasFromTheProcessTable)
{
	const std::filesystem::path root =
	    std::filesystem::temp_directory_path() / ("velira-proc-" + std::to_string(getpid()));
	std::filesystem::remove_all(root);
	const std::string nul(1, '\0');
	testing::WriteFakeOrca(root, 17, "48.1", "-u" + nul + "/o" + nul,
	                       "HOME=/h" + nul + "XDG_DATA_HOME=/d" + nul);
	const auto write = [](const std::filesystem::path &path, const std::string &text) {
		std::ofstream(path, std::ios::binary) << text;
	};
	std::filesystem::create_directories(root / "proc/18");
	write(root / "proc/18/comm", "python3\n");
	write(root / "proc/18/cmdline", "python3" + nul + "/opt/bin/orca" + nul);
	write(root / "proc/18/environ", "HOME=/g" + nul);
	std::filesystem::create_directories(root / "proc/19");
	write(root / "proc/19/comm", "bash\n");
	write(root / "proc/19/cmdline", "bash" + nul + "orca" + nul);
	// An Orca that ended while it was read: its entries fail to read
	// (a folder fails as an ended process's entries do).
	std::filesystem::create_directories(root / "proc/20/environ");
	write(root / "proc/20/comm", "orca\n");
	write(root / "proc/20/cmdline", "orca" + nul);
	std::filesystem::create_directories(root / "proc/self");
	write(root / "proc/self/comm", "orca\n");

	std::vector<OrcaProcess> found = FindOrcaProcesses((root / "proc").string(), getuid());
	std::sort(found.begin(), found.end(),
	          [](const OrcaProcess &a, const OrcaProcess &b) { return a.home < b.home; });
	ASSERT_EQ(found.size(), 2u);
	EXPECT_EQ(found[0].home, "/g");
	EXPECT_EQ(OrcaSettingsFolder(found[0]), "/g/.local/share/orca");
	EXPECT_EQ(found[0].major_version, std::nullopt);
	EXPECT_EQ(found[1].data_home, "/d");
	EXPECT_EQ(OrcaSettingsFolder(found[1]), "/o");
	EXPECT_EQ(found[1].major_version, 48);
	// Another user's processes are not the shell's to change.
	EXPECT_TRUE(FindOrcaProcesses((root / "proc").string(), getuid() + 1).empty());
	std::filesystem::remove_all(root);
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
