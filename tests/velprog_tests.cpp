#include "fakes/fake_platform.h"
#include "fakes/game_player.h"
#include "fakes/shipped_sound.h"
#include "platform/cp1250.h"
#include "platform/error.h"
#include "program/game_figures.h"
#include "program/velprog.h"
#include "runtime/screen.h"
#include "runtime/velcommands.h"
#include "settings/shared_settings.h"
#include "shell/memory_image.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace velira
{
namespace
{

// The main window's cursor codes: 0x80 plus 1 up, 2 down, 4 left, 8 right.
constexpr int kRightKey = 0x88;
constexpr int kLeftKey = 0x84;
constexpr int kUpKey = 0x81;
constexpr int kDownKey = 0x82;
constexpr int kStartEngines = 0x80 + 1 + 4 + 8;
constexpr int kDock = 0x80 + 2 + 4 + 8;

int FireKey(int direction)
{
	static const int keys[] = {0, kRightKey, kLeftKey, kUpKey, kDownKey};
	return keys[direction];
}

const char *const kOpening = "hra loď. vieš čo máš robiť?";
const char *const kChooseSpeed = "zvoľ rýchlosť plauby.";
const char *const kShipReady = "loď je pripravená k plaube. spusti motor.";
const char *const kDismissed = "za podaný výkon ťa prepúšťam z armády.";
const char *const kTryAgain = "chceš to skúsiť ešťe raz?";
const char *const kBye = "tak ahoj!";
const char *const kReport = "predtým však zničila proťivníkovi";
const char *const kRating = "tvoju úspešnosť hodnotím na";

std::string HitBy(const std::string &word)
{
	return "a tvoju loď zasiahlo ňepriaťelské torpédo " + word + ".";
}

const std::vector<std::string> kInstructions{
    "menujem ťa prvým dôstojníkom vojnovej loďe, ktorá sa pripravuje na plaubu cez oceán.",
    "tvojou úlohou buďe zničiť ňepriaťeľskú flotylu lodí a bezpečňe pristáť na náproťivnom brehu.",
    "tvoja loď je vybavená torpédamy umiestňenými na jej obvoďe a ktoré na pokyn kapitána odpáliš.",
    "loď odštartuje z prístavu, keď súčasným stlačením horného, ľavého a pravého kurzorového klávesu uveďieš "
    "do chodu jej motory.",
    "ak sa už obrátky motorou ňebudú zvyšovať, si na voľnom mori a očakávaj útok ňepriaťeľa.",
    "k dispozícii ti  dávam osobný počítač velira á4, ktorý ťi bude signalizovať polohu blížiaceho sa "
    "ňepriaťeľského plavidla.",
    "ak sa buďe plavidlo približovať z pravej strany, ozve sa takýto signál",
    "plavidlo z ľavej strany buďe oznamované takto",
    "ak sa buďe približovať z predu, ozve sa signál",
    "a zo zadu",
    "torpédo odpáliš stlačením príslušného kurzorového klávesu. napríklad na loď vpravo pravý a na loď "
    "vpredu "
    "horný kurzor.",
    "kapitán loďe ťa upozorní sirénou na prístau, v ktorom máš zakotviť. vtedy stlač súčasňe dolný, ľavý a "
    "pravý kurzorový kláves.",
    "želám ťi úspešnú plaubu.",
};

// The screen rows a text printed from column 0 fills: cut at 80 characters
// of code page 1250, trailing blanks dropped as in the transcript.
std::vector<std::string> Rows(const std::string &utf8)
{
	const std::string text = Cp1250FromUtf8(utf8);
	std::vector<std::string> rows;
	for (size_t at = 0; at < text.size(); at += kScreenColumns) {
		std::string row = text.substr(at, kScreenColumns);
		while (!row.empty() && row.back() == ' ')
			row.pop_back();
		rows.push_back(Utf8FromCp1250(row));
	}
	return rows;
}

std::vector<int32_t> StackLabels()
{
	std::vector<int32_t> labels;
	for (const StackNode *node = returnStack; node != nullptr; node = node->next)
		labels.push_back(node->value);
	return labels;
}

// Numbers for the generator. Every RND(1) takes two draws: the number it
// returns and the one a later RND(0) would repeat.
struct RandomScript {
	std::vector<double> values;

	void Rnd(double value)
	{
		values.push_back(value);
		values.push_back(0.999);
	}
	// The sailing before an attack lasts `multiple` (1..5) times the game
	// length in notes.
	void Sailing(int multiple) { Rnd((multiple - 1) / 5.0 + 0.05); }
	// A direction draw; returns the number of draws made up to it.
	size_t Direction(int direction)
	{
		Rnd((direction - 1) / 4.0 + 0.05);
		return values.size();
	}
};

class GameTest : public ::testing::Test
{
protected:
	void SetUp() override
	{
		testing::WriteFile("data.dta", Cp1250FromUtf8("vpravo,vľavo,vpredu,vzadu,\r\n"));
		Fresh();
	}

	// A clean screen, keyboard, script and player for the next run. The
	// return stack and the memory image are left as the last run left them.
	void Fresh()
	{
		player.reset();
		transcript.reset();
		screenBuffer().Clear();
		screenCursor = tscrcursor();
		keyBuffer.clear();
		soundWaiting = false;
		random = RandomScript();
		transcript = std::make_unique<testing::ScreenTranscript>();
		player = std::make_unique<testing::GamePlayer>(platform, transcript.get());
	}

	// What the Start command does around the program.
	void Run()
	{
		platform.random.values = random.values;
		platform.random.next = 0;
		OpenDataFile();
		ResetRuntime();
		player->Start();
		try {
			RunProgram();
		} catch (const testing::GameStalled &stalled) {
			std::string screen;
			for (const std::string &line : Lines())
				screen += "\n  " + line;
			FAIL() << stalled.what << "; printed so far:" << screen;
		}
		CloseDataFile();
	}

	// Answers the opening with `answer`, chooses `speed` and starts the
	// engines. Instructions, if asked for, are listened to in full.
	void SetSail(const std::string &answer, int speed)
	{
		player->OnPrinted(kOpening).Type(answer);
		player->OnPrinted(kChooseSpeed).Type(std::to_string(speed));
		player->OnPrinted(kShipReady).Hold(kStartEngines);
	}

	// One attack: a sailing, the direction draws (the last one is the
	// attack's), and, when `fire_key` is given, that key held at window step
	// `step`, after hearing the signal step - 1 times. Returns the draw count
	// at which the attack window opens.
	size_t Attack(std::initializer_list<int> direction_draws, int fire_key = 0, int step = 2)
	{
		random.Sailing(1);
		size_t drawn = 0;
		for (int direction : direction_draws)
			drawn = random.Direction(direction);
		if (fire_key != 0)
			player->OnRandomDraws(drawn).AfterPolls(step).Hold(fire_key);
		return drawn;
	}

	// Destroys `count` vessels, the directions going round right, left,
	// front, back.
	void DestroyVessels(int count)
	{
		for (int i = 0; i < count; ++i) {
			const int direction = i % 4 + 1;
			Attack({direction}, FireKey(direction));
		}
	}

	std::vector<std::string> Lines() const { return transcript->Lines(); }
	int Count(const std::string &text) const { return transcript->CountContaining(text); }

	testing::ScratchFolder folder;
	testing::FakePlatform platform;
	testing::ShippedSound sound{platform};
	std::unique_ptr<testing::ScreenTranscript> transcript;
	std::unique_ptr<testing::GamePlayer> player;
	RandomScript random;
};

TEST_F(GameTest, FullGameAtSpeedFourFromTheInstructionsToTheReport)
{
	uint8_t lock_while_running = 0;
	uint8_t flag_while_running = 0;
	SetSail("n", 4);
	player->Do([&] {
		lock_while_running = PeekByte(50730);
		flag_while_running = PeekByte(51257);
	});
	DestroyVessels(20);
	player->OnSiren().AfterPolls(3).Hold(kDock);
	player->OnPrinted(kTryAgain).Type("n");
	Run();

	std::vector<std::string> expected{kOpening};
	for (const std::string &instruction : kInstructions)
		for (const std::string &row : Rows(instruction))
			expected.push_back(row);
	for (const char *line :
	     {"teraz však", kChooseSpeed, kShipReady, "tvoja loď šťastňe pristála v prístave.", kReport,
	      "20 plaviďiel.", kRating, "100", " percent.", kTryAgain, kBye})
		expected.push_back(line);
	EXPECT_EQ(Lines(), expected);
	EXPECT_TRUE(player->Finished());

	EXPECT_EQ(lock_while_running, 1) << "the screen review is locked during the game";
	EXPECT_EQ(flag_while_running, 1);
	EXPECT_EQ(PeekByte(50730), 0);
	EXPECT_EQ(PeekByte(51257), 0);

	// Every destroyed vessel left its attack step's label behind; docking
	// leaves none. Newest first: the last attack came from behind.
	std::vector<int32_t> stale;
	for (int i = 19; i >= 0; --i)
		stale.push_back(100140 + 10 * (i % 4 + 1));
	EXPECT_EQ(StackLabels(), stale);
}

TEST_F(GameTest, SpeedOneOneVesselThenHitReportsOneVesselAndTwoPercent)
{
	SetSail("a", 1);
	Attack({3}, kUpKey);
	Attack({2});
	// Only a small a or y accepts.
	player->OnPrinted(kTryAgain).Type("Y");
	Run();

	const std::vector<std::string> expected{kOpening,     kChooseSpeed,      kShipReady, HitBy("vľavo"),
	                                        kReport,      "jedno plavidlo.", kRating,    "2",
	                                        " percentá.", kTryAgain,         kBye};
	EXPECT_EQ(Lines(), expected);
	EXPECT_EQ(StackLabels(), std::vector<int32_t>{100170});
	EXPECT_EQ(PeekByte(50730), 0);
}

TEST_F(GameTest, HitBeforeTheFirstVesselDismissesWithoutPlayAgain)
{
	int64_t engines_started_ms = -1;
	int64_t attack_opened_ms = -1;
	player->OnPrinted(kOpening).Type("a");
	player->OnPrinted(kChooseSpeed).Type("4");
	// Other keys do not start the engines.
	player->OnPrinted(kShipReady)
	    .Type("x")
	    .AfterPolls(2)
	    .Hold(kRightKey)
	    .AfterPolls(2)
	    .Hold(kStartEngines);
	player->MarkTime(&engines_started_ms);
	player->OnRandomDraws(Attack({4})).MarkTime(&attack_opened_ms);
	Run();

	const std::vector<std::string> expected{kOpening, kChooseSpeed, kShipReady, HitBy("vzadu"),
	                                        kDismissed};
	EXPECT_EQ(Lines(), expected);
	EXPECT_EQ(PeekByte(50730), 0);
	EXPECT_EQ(PeekByte(51257), 0);
	EXPECT_TRUE(StackLabels().empty()) << "every subroutine on this path returned";

	// From the poll that reads the chord: the siren (1800 ms), the run-up
	// (281 notes of 10 ms), the sailing (D = 20 notes of 10 ms), the poll
	// that flushes the keyboard (1 ms).
	EXPECT_EQ(attack_opened_ms - engines_started_ms, 1800 + 281 * 10 + 20 * 10 + 1);
}

TEST_F(GameTest, DockingWindowPassingCrashesIntoThePierWithoutAReport)
{
	int siren_poll = 0;
	int question_poll = 0;
	int64_t last_docking_step_ms = 0;
	int64_t question_ms = 0;
	// A capital letter is not yes: the instructions follow.
	SetSail("A", 4);
	DestroyVessels(20);
	player->OnSiren().MarkPoll(&siren_poll).AfterPolls(50).MarkTime(&last_docking_step_ms);
	player->OnPrinted("tptptpt").MarkPoll(&question_poll).MarkTime(&question_ms);
	player->OnPrinted(kTryAgain).Type("n");
	Run();

	EXPECT_EQ(Count(Rows(kInstructions[0])[0]), 1);
	const std::vector<std::string> lines = Lines();
	ASSERT_GE(lines.size(), 5u);
	const std::vector<std::string> tail(lines.end() - 5, lines.end());
	std::vector<std::string> expected{kShipReady, "tptptpt"};
	for (const std::string &row :
	     Rows("z boja síce prichádzaš ako výťaz, no loď sa ti rozbila nárazom o prístavné mólo."))
		expected.push_back(row);
	expected.push_back(kTryAgain);
	expected.push_back(kBye);
	EXPECT_EQ(tail, expected);
	EXPECT_EQ(Count(kReport), 0);
	EXPECT_EQ(Count("pristála"), 0);

	// 2.5 x D docking steps, then the flush before the question.
	EXPECT_EQ(question_poll - siren_poll, 50 + 1);
	// The crash: 50 notes of 20 ms, then that flush's poll.
	EXPECT_EQ(question_ms - last_docking_step_ms, 50 * 20 + 1);
	EXPECT_EQ(PeekByte(50730), 0);
}

TEST_F(GameTest, PlayingAgainKeepsTheSpeedAndTheLastTwoDirections)
{
	int window_opened = 0;
	SetSail("y", 4);
	Attack({1}, kRightKey);
	Attack({2});
	player->OnPrinted(kTryAgain).Type("y");
	player->OnPrinted(kShipReady).Hold(kStartEngines);
	// Right and left were the last two attacks, so both draws are passed
	// over even in the new game.
	player->OnRandomDraws(Attack({1, 2, 4})).MarkPoll(&window_opened);
	Run();

	EXPECT_EQ(Count(kChooseSpeed), 1) << "the speed is not asked again";
	EXPECT_EQ(Count(kShipReady), 2);
	const std::vector<std::string> lines = Lines();
	ASSERT_GE(lines.size(), 2u);
	EXPECT_EQ(lines[lines.size() - 2], HitBy("vzadu"));
	EXPECT_EQ(lines.back(), kDismissed) << "the new game starts with no vessel destroyed";
	// A back attack at D = 20 lasts 26 steps.
	EXPECT_EQ(player->Polls() - window_opened, 26);
	// 1 vessel of 20 is 5 percent: the word for more than four.
	EXPECT_EQ(Count("jedno plavidlo."), 1);
	EXPECT_EQ(Count(" percent."), 1);
	EXPECT_EQ(StackLabels(), std::vector<int32_t>{100150}) << "the first game's vessel";
}

TEST_F(GameTest, OnlyTheRightFireKeyStillHeldAtThePollFires)
{
	struct Case {
		const char *what;
		bool tap;
		int key;
		bool fires;
	};
	const Case cases[] = {
	    {"the right-hand key during a left attack", false, kRightKey, false},
	    {"the left key pressed and released during a click", true, kLeftKey, false},
	    {"the left key held until the poll", false, kLeftKey, true},
	};
	for (const Case &c : cases) {
		SCOPED_TRACE(c.what);
		Fresh();
		int window_opened = 0;
		SetSail("a", 4);
		player->OnRandomDraws(Attack({2})).MarkPoll(&window_opened).AfterPolls(2);
		if (c.tap)
			player->Tap(c.key);
		else
			player->Hold(c.key);
		Attack({1});
		player->OnPrinted(kTryAgain).Type("n");
		Run();

		const std::vector<std::string> lines = Lines();
		if (c.fires) {
			EXPECT_EQ(Count(HitBy("vpravo")), 1) << "the next attack hits";
			EXPECT_EQ(Count("jedno plavidlo."), 1);
			EXPECT_EQ(lines.back(), kBye);
		} else {
			EXPECT_EQ(lines.back(), kDismissed);
			EXPECT_EQ(Count(HitBy("vľavo")), 1);
			EXPECT_EQ(player->Polls() - window_opened, 8) << "the window ran its full length";
		}
	}
}

TEST_F(GameTest, ReportWordsFollowTheCounts)
{
	struct Case {
		int speed;
		int vessels;
		const char *count_line;
		const char *percent;
		const char *percent_word;
	};
	const Case cases[] = {
	    {1, 2, "2 plavidlá.", "4", " percentá."},
	    {1, 4, "4 plavidlá.", "8", " percent."},
	    {4, 5, "5 plaviďiel.", "25", " percent."},
	    {1, 10, "10 plaviďiel.", "20", " percent."},
	};
	// The report is the same on a desktop whose numbers take a decimal comma.
	for (const char *locale_name : {"C", "cs_CZ.UTF-8", "sk_SK.UTF-8"})
		for (const Case &c : cases) {
			SCOPED_TRACE(std::string(locale_name) + ": " + c.count_line);
			testing::NumericLocale locale(locale_name);
			ASSERT_TRUE(locale.Installed()) << locale.Missing();
			Fresh();
			SetSail("a", c.speed);
			DestroyVessels(c.vessels);
			Attack({c.vessels % 4 + 1});
			player->OnPrinted(kTryAgain).Type("n");
			Run();
			const std::vector<std::string> lines = Lines();
			ASSERT_GE(lines.size(), 8u);
			const std::vector<std::string> report(lines.end() - 7, lines.end() - 2);
			EXPECT_EQ(report, (std::vector<std::string>{kReport, c.count_line, kRating, c.percent,
			                                            c.percent_word}));
		}
}

TEST_F(GameTest, AttacksNeverRepeatEitherOfTheLastTwoDirections)
{
	SetSail("a", 4);
	// The first attack may come from anywhere.
	Attack({3}, kUpKey);
	Attack({3, 1}, kRightKey);
	Attack({3, 1, 2}, kLeftKey);
	// Front again is allowed: it was three attacks back.
	Attack({1, 2, 3}, kUpKey);
	Attack({2, 3, 4});
	player->OnPrinted(kTryAgain).Type("n");
	Run();

	EXPECT_EQ(Count(HitBy("vzadu")), 1);
	EXPECT_EQ(Count("4 plavidlá."), 1) << "every fire key matched its attack";
	EXPECT_EQ(StackLabels(), (std::vector<int32_t>{100170, 100160, 100150, 100170}));
}

TEST_F(GameTest, AttackWindowLengthDependsOnSpeedAndDirection)
{
	// Steps per speed 1..4: 4 x D / 10 from the sides and the front, 13 x
	// D / 10 from behind (D = 50, 40, 30, 20).
	const int side_steps[] = {20, 16, 12, 8};
	const int back_steps[] = {65, 52, 39, 26};
	for (int speed = 1; speed <= 4; ++speed) {
		for (int direction = 1; direction <= 4; ++direction) {
			SCOPED_TRACE("speed " + std::to_string(speed) + ", direction " +
			             std::to_string(direction));
			Fresh();
			int window_opened = 0;
			SetSail("a", speed);
			player->OnRandomDraws(Attack({direction})).MarkPoll(&window_opened);
			Run();
			const int expected = direction == 4 ? back_steps[speed - 1] : side_steps[speed - 1];
			EXPECT_EQ(player->Polls() - window_opened, expected);
			EXPECT_EQ(Lines().back(), kDismissed);
		}
	}
}

TEST_F(GameTest, StaleLabelsStayUntilTheNextRunResetsTheStack)
{
	SetSail("a", 3);
	Attack({1}, kRightKey);
	Attack({2}, kLeftKey);
	Attack({3}, kUpKey);
	Attack({4});
	player->OnPrinted(kTryAgain).Type("n");
	Run();
	EXPECT_EQ(StackLabels(), (std::vector<int32_t>{100170, 100160, 100150}));
	EXPECT_EQ(Count("3 plavidlá."), 1);
	EXPECT_EQ(Count("10"), 1) << "3 of 30 vessels";

	Fresh();
	std::vector<int32_t> at_opening;
	player->OnPrinted(kOpening).Do([&] { at_opening = StackLabels(); }).Type("a");
	player->OnPrinted(kChooseSpeed).Type("2");
	player->OnPrinted(kShipReady).Hold(kStartEngines);
	Attack({4});
	Run();
	EXPECT_EQ(at_opening, std::vector<int32_t>{40}) << "only the engine run-up's return point";
	EXPECT_TRUE(StackLabels().empty());
}

TEST_F(GameTest, WithDeviceSoundsOffEveryAttackHits)
{
	deviceSounds = false;
	SetSail("a", 4);
	int window_opened = 0;
	// A player who reacts a tenth of a second after the attack begins.
	player->OnRandomDraws(Attack({1})).MarkPoll(&window_opened).AfterMs(100).Hold(kRightKey);
	Run();

	EXPECT_EQ(Lines().back(), kDismissed);
	EXPECT_FALSE(player->Finished()) << "the window closed before anyone could react";
	EXPECT_EQ(player->Polls() - window_opened, 8);
	// No tone waited: the only time that passed was the keyboard polls and
	// the pause of the printed full stop.
	EXPECT_EQ(platform.clock.now_ms, player->Polls() * platform.pump.poll_cost_ms + kPunctuationPauseMs);
}

TEST_F(GameTest, AKeyTypedBeforeTheStartAnswersTheOpening)
{
	keyBuffer = "a";
	player->OnPrinted(kChooseSpeed).Type("4");
	player->OnPrinted(kShipReady).Hold(kStartEngines);
	Attack({2});
	Run();
	EXPECT_EQ(Lines(),
	          (std::vector<std::string>{kOpening, kChooseSpeed, kShipReady, HitBy("vľavo"), kDismissed}));
}

TEST_F(GameTest, AnErrorEndingTheRunUnlocksTheScreenReview)
{
	SetSail("a", 4);
	player->OnRandomDraws(Attack({1})).Do([] { throw ShellError("Wave 'click1' not found"); });
	EXPECT_THROW(Run(), ShellError);
	EXPECT_EQ(PeekByte(50730), 0);
	EXPECT_EQ(PeekByte(51257), 0);
}

TEST(GameFigures, ForNextRunsOnceAtLeastAndReadsItsLimitEveryPass)
{
	double counter = 0;
	int passes = 0;
	ForNext(
	    counter, 5, [] { return 1.0; }, 1, [&] { ++passes; });
	EXPECT_EQ(passes, 1);
	EXPECT_EQ(counter, 6);

	double limit = 10;
	passes = 0;
	ForNext(
	    counter, 1, [&] { return limit; }, 1,
	    [&] {
		    ++passes;
		    limit = 3;
	    });
	EXPECT_EQ(passes, 3);
	EXPECT_EQ(counter, 4);
}

TEST(GameFigures, RampsPlayTheirNotesAndLeaveTheCounterPastTheLimit)
{
	struct Expected {
		const char *name;
		NoteRamp ramp;
		size_t notes;
		double first;
		double last;
	};
	const Expected ramps[] = {
	    {"engine up", figures::kEngineUp, 54, 100, 895},
	    {"engine down", figures::kEngineDown, 54, 900, 105},
	    {"engine run-up", figures::kEngineRunUp, 281, 100, 1500},
	    {"engine wind-down", figures::kEngineWindDown, 281, 1500, 100},
	    {"our ship hit", figures::kShipHit, 47, 1500, 120},
	    {"vessel destroyed, falling", figures::kVesselFalling, 17, 1000, 200},
	    {"vessel destroyed, rising", figures::kVesselRising, 17, 200, 1000},
	};
	for (const Expected &e : ramps) {
		SCOPED_TRACE(e.name);
		double counter = 0;
		const std::vector<double> notes = RampNotes(e.ramp, counter);
		ASSERT_EQ(notes.size(), e.notes);
		EXPECT_EQ(notes.front(), e.first);
		EXPECT_EQ(notes.back(), e.last);
		EXPECT_EQ(counter, e.last + e.ramp.step);
	}
	double hum = 0;
	RampNotes(figures::kEngineUp, hum);
	EXPECT_EQ(hum, 910) << "the hum after the engine has run up";
	// The rise repeats the fall's 10 ms and instrument 8.
	EXPECT_LT(figures::kVesselRising.duration_ms, 0);
	EXPECT_GT(figures::kVesselRising.instrument, 9);
}

TEST(GameFigures, DemonstrationsUseTheDirectionSignalsInTheirOrder)
{
	const double counts[] = {12, 12, 12, 39};
	for (size_t i = 0; i < 4; ++i) {
		EXPECT_EQ(figures::kDemonstrations[i].click, figures::kDirectionClick[i + 1])
		    << "demonstration " << i;
		EXPECT_EQ(figures::kDemonstrations[i].count, counts[i]) << "demonstration " << i;
	}
}

} // namespace
} // namespace velira
