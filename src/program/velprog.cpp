#include "program/velprog.h"

#include "platform/cp1250.h"
#include "platform/random_source.h"
#include "platform/services.h"
#include "program/game_figures.h"
#include "runtime/screen.h"
#include "runtime/velcommands.h"

#include <array>
#include <string>

// The built-in BASIC program, the torpedo-boat game, as the translator
// emitted it: one routine, BASIC variables as locals, GOTO and IF as jumps,
// GOSUB as a push of the return point's label and a jump, RETURN as a pop and
// a dispatch on the label. Labels are named after the BASIC lines: line40 is
// line 40, at100240 the first return point inside line 240 (k * 100000 + L is
// the k-th return point inside line L).
namespace velira
{

StackNode *returnStack = nullptr;
int32_t returnLabel = 0;

namespace
{

// The game's texts, exactly as the device spoke them; the spelling follows
// Slovak pronunciation for the voice, not the dictionary.
namespace text
{
constexpr const char *kOpening = "hra loď. vieš čo máš robiť?";
constexpr std::array<const char *, 6> kInstructionsBeforeSignals{
    "menujem ťa prvým dôstojníkom vojnovej loďe, ktorá sa pripravuje na plaubu cez oceán.",
    "tvojou úlohou buďe zničiť ňepriaťeľskú flotylu lodí a bezpečňe pristáť na náproťivnom brehu.",
    "tvoja loď je vybavená torpédamy umiestňenými na jej obvoďe a ktoré na pokyn kapitána odpáliš.",
    "loď odštartuje z prístavu, keď súčasným stlačením horného, ľavého a pravého kurzorového klávesu "
    "uveďieš do chodu jej motory.",
    "ak sa už obrátky motorou ňebudú zvyšovať, si na voľnom mori a očakávaj útok ňepriaťeľa.",
    // The two blanks after "ti" are the original's.
    "k dispozícii ti  dávam osobný počítač velira á4, ktorý ťi bude signalizovať polohu blížiaceho sa "
    "ňepriaťeľského plavidla.",
};
// Each is followed by the demonstration of its direction signal.
constexpr std::array<const char *, 4> kSignalIntroductions{
    "ak sa buďe plavidlo približovať z pravej strany, ozve sa takýto signál",
    "plavidlo z ľavej strany buďe oznamované takto",
    "ak sa buďe približovať z predu, ozve sa signál",
    "a zo zadu",
};
constexpr std::array<const char *, 3> kInstructionsAfterSignals{
    "torpédo odpáliš stlačením príslušného kurzorového klávesu. napríklad na loď vpravo pravý a na loď "
    "vpredu horný kurzor.",
    "kapitán loďe ťa upozorní sirénou na prístau, v ktorom máš zakotviť. vtedy stlač súčasňe dolný, ľavý "
    "a pravý kurzorový kláves.",
    "želám ťi úspešnú plaubu.",
};
constexpr const char *kButNow = "teraz však ";
constexpr const char *kChooseSpeed = "zvoľ rýchlosť plauby.";
constexpr const char *kShipReady = "loď je pripravená k plaube. spusti motor.";
constexpr const char *kShipHit = "a tvoju loď zasiahlo ňepriaťelské torpédo ";
// Printed after the direction word; on its own it only pauses the voice.
constexpr const char *kFullStop = ".";
constexpr const char *kDismissed = "za podaný výkon ťa prepúšťam z armády.";
constexpr const char *kDocked = "tvoja loď šťastňe pristála v prístave.";
constexpr const char *kCrashSound = "tptptpt";
constexpr const char *kWreckedAtPier =
    "z boja síce prichádzaš ako výťaz, no loď sa ti rozbila nárazom o prístavné mólo.";
constexpr const char *kReportOpening = "predtým však zničila proťivníkovi";
constexpr const char *kOneVessel = "jedno plavidlo.";
constexpr const char *kVesselsFew = " plavidlá.";
constexpr const char *kVesselsMany = " plaviďiel.";
constexpr const char *kRating = "tvoju úspešnosť hodnotím na ";
constexpr const char *kOnePercent = "jedno percento.";
constexpr const char *kPercentFew = " percentá.";
constexpr const char *kPercentMany = " percent.";
constexpr const char *kTryAgain = "chceš to skúsiť ešťe raz?";
constexpr const char *kBye = "tak ahoj!";
} // namespace text

// PRINT of one of the game's texts.
void Say(const char *utf8, uint8_t mode = kPrintNewLine)
{
	PrintText(Cp1250FromUtf8(utf8), mode);
}

// SOUND with a single note.
void Note(double note, double duration_ms = figures::kNoteMs, double instrument = figures::kNoteInstrument)
{
	SoundStatement({note}, duration_ms, instrument);
}

// A ramp of notes counted with the shared loop counter.
void PlayRamp(double &counter, const NoteRamp &ramp)
{
	ForNext(
	    counter, ramp.from, [&ramp] { return ramp.to; }, ramp.step,
	    [&] { Note(counter, ramp.duration_ms, ramp.instrument); });
}

bool IsYes(const std::string &key)
{
	return key == "a" || key == "y";
}

void UnlockScreenReview()
{
	PokeByte(figures::kReviewLockAddress, 0);
	PokeByte(figures::kGameRunningAddress, 0);
}

void RunGame()
{
	// BASIC variables: all doubles are 0 and all strings empty at every run.
	double S = 0;                    // loop counter shared by every loop
	double speed = 0;                // chosen speed 1..4
	double D = 0;                    // game length: vessels to destroy before the harbour
	double N = 0;                    // vessels destroyed in this game
	double DIR = 0;                  // direction of the attack, 5 in the harbour
	double P1 = 0;                   // direction of the previous attack
	double P2 = 0;                   // direction of the one before
	double T = 0;                    // length of the sailing before an attack, in notes
	double P = 0;                    // success rate in percent
	std::string K;                   // K$: the key read
	std::array<std::string, 11> A{}; // A$(0..10); 1..4 hold the direction words
	// The demonstration subroutine's operands.
	double demoClick = 0;
	double demoCount = 0;

	// 10: the game runs: the screen review stays closed.
	PokeByte(figures::kReviewLockAddress, 1);
	PokeByte(figures::kGameRunningAddress, 1);
	// 20
	for (size_t i = 1; i <= 4; ++i)
		A[i] = ReadDataItem();
	// 30
	Say(text::kOpening);
	StackPush(40, returnStack);
	goto engineUp;

line40: // hum until a key answers the opening question
	Note(S);
	K = ReadKeys();
	if (K.empty())
		goto line40;
	if (IsYes(K))
		goto line50;
	StackPush(100240, returnStack);
	goto engineDown;

at100240: // the instructions
	for (const char *instruction : text::kInstructionsBeforeSignals)
		Say(instruction);
	Say(text::kSignalIntroductions[0]);
	demoClick = figures::kDemonstrations[0].click;
	demoCount = figures::kDemonstrations[0].count;
	StackPush(100300, returnStack);
	goto demonstrate;
at100300:
	Say(text::kSignalIntroductions[1]);
	demoClick = figures::kDemonstrations[1].click;
	demoCount = figures::kDemonstrations[1].count;
	StackPush(310, returnStack);
	goto demonstrate;
line310:
	Say(text::kSignalIntroductions[2]);
	demoClick = figures::kDemonstrations[2].click;
	demoCount = figures::kDemonstrations[2].count;
	StackPush(100310, returnStack);
	goto demonstrate;
at100310:
	Say(text::kSignalIntroductions[3]);
	demoClick = figures::kDemonstrations[3].click;
	demoCount = figures::kDemonstrations[3].count;
	StackPush(320, returnStack);
	goto demonstrate;
line320:
	for (const char *instruction : text::kInstructionsAfterSignals)
		Say(instruction);
	StackPush(100340, returnStack);
	goto engineUp;
at100340:
	Say(text::kButNow, kPrintStay);
	Say("");

line50: // the speed: a key between "0" and "5", compared byte-wise
	Say(text::kChooseSpeed);
line60:
	Note(S);
	K = ReadKeys();
	if (!(K > "0" && K < "5"))
		goto line60;
	speed = ValueOf(K);
	D = 70 - (speed * 10 + 10);

line70: // a new game at the chosen speed
	N = 0;
	StackPush(100070, returnStack);
	goto engineDown;
at100070:
	Say(text::kShipReady);
line75: // idle until the engines are started; other keys are ignored
	Note(figures::kIdleNote);
	K = ReadKeys();
	if (K != CharOf(figures::kStartEnginesKey))
		goto line75;
	StackPush(100080, returnStack);
	goto siren;
at100080:
	StackPush(90, returnStack);
	goto engineRunUp;

line90: // the next attack, or the harbour once D vessels are down
	if (N == D)
		goto line120;
	T = static_cast<double>(Trunc(RandomNumber(1) * 5 + 1)) * 10 * (D / 10);
	P2 = P1;
	P1 = DIR;
	ForNext(
	    S, 1, [&T] { return T; }, 1, [] { Note(figures::kSailingNote); });
line100: // never the direction of either of the last two attacks
	DIR = static_cast<double>(Trunc(RandomNumber(1) * 4 + 1));
	if (DIR == P1 || DIR == P2)
		goto line100;
line110: // keys pressed while sailing do not count
	K = ReadKeys();
	if (!K.empty())
		goto line110;
	// 150 to 180: the attack window of each direction, one step a pass.
	S = 1;
attackStep:
	StackPush(static_cast<int32_t>(100140 + 10 * DIR), returnStack);
	goto attackStepDirection;
attackNextStep: // 100150, 100160, 100170, 100180
	S = S + 1;
	if (S <= figures::kWindowStepsPerTen[static_cast<size_t>(DIR)] * D / 10)
		goto attackStep;
	// The window has passed.
	StackPush(100190, returnStack);
	goto shipHit;
at100190:
	Say(text::kShipHit, kPrintStay);
	PrintText(A[static_cast<size_t>(DIR)], kPrintStay);
	Say(text::kFullStop);
	if (N < 1) {
		Say(text::kDismissed);
		UnlockScreenReview();
		goto end;
	}
	goto line200;

line120: // the harbour: dock while the docking window lasts
	DIR = 5;
	StackPush(100120, returnStack);
	goto siren;
at100120:
	S = 1;
dockingStep:
	StackPush(200120, returnStack);
	goto dockingStepBody;
at200120:
	if (K == CharOf(figures::kDockKey))
		goto line130;
	S = S + 1;
	if (S <= figures::kDockingStepsPerUnit * D)
		goto dockingStep;
	// Too late: the ship runs into the pier.
	ForNext(
	    S, 1, [] { return figures::kCrashNotes; }, 1,
	    [] {
		    Note(static_cast<double>(Trunc(RandomNumber(1) * figures::kCrashPitchRange)) + 1,
		         figures::kCrashNoteMs);
	    });
	Say(text::kCrashSound);
	Say(text::kWreckedAtPier);
	goto line220;
line130:
	PlayRamp(S, figures::kEngineWindDown);
	Say(text::kDocked);

line200: // the report
	Say(text::kReportOpening);
	if (N == 1) {
		Say(text::kOneVessel);
	} else if (N > 1 && N < 5) {
		PrintNumber(kPrintStay, N);
		Say(text::kVesselsFew);
	} else if (N > 4) {
		PrintNumber(kPrintStay, N);
		Say(text::kVesselsMany);
	}
	P = static_cast<double>(Trunc(N * 100 / D));
	Say(text::kRating, kPrintStay);
	Say("");
	if (P == 1) {
		Say(text::kOnePercent);
	} else {
		PrintNumber(kPrintStay, P);
		Say("");
		Say(P <= 4 ? text::kPercentFew : text::kPercentMany);
	}

line220: // play again?
	K = ReadKeys();
	if (!K.empty())
		goto line220;
	Say(text::kTryAgain);
	StackPush(230, returnStack);
	goto engineUp;
line230:
	Note(S);
	K = ReadKeys();
	if (K.empty())
		goto line230;
	// The speed, P1 and P2 carry over into the next game.
	if (IsYes(K))
		goto line70;
	Say(text::kBye);
	StackPush(100230, returnStack);
	goto engineDown;
at100230:
	UnlockScreenReview();
	goto end;

	// Subroutines.
engineUp:
	PlayRamp(S, figures::kEngineUp);
	goto doReturn;
engineDown:
	PlayRamp(S, figures::kEngineDown);
	goto doReturn;
engineRunUp:
	PlayRamp(S, figures::kEngineRunUp);
	goto doReturn;
siren:
	SoundStatement({figures::kSirenChord.begin(), figures::kSirenChord.end()}, figures::kSirenMs,
	               figures::kSirenInstrument);
	goto doReturn;
shipHit:
	PlayRamp(S, figures::kShipHit);
	goto doReturn;
demonstrate:
	ForNext(
	    S, 1, [&demoCount] { return demoCount; }, 1, [&demoClick] { ClickSound(demoClick); });
	goto doReturn;
dockingStepBody:
	Note(figures::kDockingNote);
	K = ReadKeys();
	goto doReturn;
attackStepDirection: // 440 to 470: one step of the attack window
	K = ReadKeys();
	if (K == CharOf(figures::kFireKey[static_cast<size_t>(DIR)])) {
		// Leaves by the GOSUB of the vessel-destroyed figure, whose RETURN
		// goes straight on to the next attack: this step's own label stays
		// behind on the stack until the next run resets it.
		N = N + 1;
		StackPush(static_cast<int32_t>(100430 + 10 * DIR), returnStack);
		goto vesselDestroyed;
	}
	ClickSound(figures::kDirectionClick[static_cast<size_t>(DIR)]);
	goto doReturn;
vesselDestroyed:
	PlayRamp(S, figures::kVesselFalling);
	PlayRamp(S, figures::kVesselRising);
	goto doReturn;

doReturn:
	StackPop(returnLabel, returnStack);
	switch (returnLabel) {
	case 40:
		goto line40;
	case 90:
		goto line90;
	case 230:
		goto line230;
	case 310:
		goto line310;
	case 320:
		goto line320;
	case 100070:
		goto at100070;
	case 100080:
		goto at100080;
	case 100120:
		goto at100120;
	case 100150:
	case 100160:
	case 100170:
	case 100180:
		goto attackNextStep;
	case 100190:
		goto at100190;
	case 100230:
		goto at100230;
	case 100240:
		goto at100240;
	case 100300:
		goto at100300;
	case 100310:
		goto at100310;
	case 100340:
		goto at100340;
	case 100440:
	case 100450:
	case 100460:
	case 100470:
		goto line90;
	case 200120:
		goto at200120;
	default:
		// Not a return point of the program: like END.
		goto end;
	}

end:
	// The stack is not emptied: labels left behind wait for the next run.
	return;
}

} // namespace

std::vector<double> RampNotes(const NoteRamp &ramp, double &counter_after)
{
	std::vector<double> notes;
	ForNext(
	    counter_after, ramp.from, [&ramp] { return ramp.to; }, ramp.step,
	    [&] { notes.push_back(counter_after); });
	return notes;
}

void RunProgram()
{
	StackInit(returnStack);
	services().Random().ReseedFromClock();
	try {
		RunGame();
	} catch (...) {
		// An error ends the run at once; the game is no longer running, so
		// its lock on the screen review must not outlive it (the memory
		// image would otherwise keep the review closed for good).
		UnlockScreenReview();
		throw;
	}
}

void ResetProgramState()
{
	StackInit(returnStack);
	returnLabel = 0;
}

} // namespace velira
