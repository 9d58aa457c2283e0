#pragma once

#include <array>
#include <cstdint>
#include <vector>

// The torpedo-boat game's sound figures and key codes, kept as data: the
// program plays them from here, and nowhere else spells out a note.
namespace velira
{

// BASIC's FOR ... NEXT over a double counter: the body runs at least once,
// the limit is evaluated anew after every pass, and the loop ends with the
// counter on the first value beyond the limit (FOR S=100 TO 900 STEP 15
// leaves S at 910, which the hum then plays).
template <typename Limit, typename Body>
void ForNext(double &counter, double start, Limit limit, double step, Body body)
{
	counter = start;
	for (;;) {
		body();
		counter += step;
		const double bound = limit();
		if (step >= 0 ? counter > bound : counter < bound)
			break;
	}
}

// FOR S = from TO to STEP step: SOUND S, duration, instrument: NEXT S.
struct NoteRamp {
	double from;
	double to;
	double step;
	double duration_ms;
	double instrument;
};

// The notes a ramp plays, in order, and the counter it leaves behind.
std::vector<double> RampNotes(const NoteRamp &ramp, double &counter_after);

namespace figures
{

// Single notes are 10 ms on instrument 8 (the wave of channel 1,
// instrument 8) unless a figure says otherwise.
constexpr double kNoteMs = 10;
constexpr double kNoteInstrument = 8;

constexpr NoteRamp kEngineUp{100, 900, 15, kNoteMs, kNoteInstrument};
constexpr NoteRamp kEngineDown{900, 100, -15, kNoteMs, kNoteInstrument};
constexpr NoteRamp kEngineRunUp{100, 1500, 5, kNoteMs, kNoteInstrument};
constexpr NoteRamp kEngineWindDown{1500, 100, -5, kNoteMs, kNoteInstrument};
constexpr NoteRamp kShipHit{1500, 100, -30, kNoteMs, kNoteInstrument};
// A vessel destroyed: a fall, then a rise given as duration -1 and
// instrument 10, which the tone statement reads as "the previous ones".
constexpr NoteRamp kVesselFalling{1000, 200, -50, kNoteMs, kNoteInstrument};
constexpr NoteRamp kVesselRising{200, 1000, 50, -1, 10};

// Played once per keyboard poll while waiting: the hum plays the loop
// counter (910 after the engine has run up), the idle tone a fixed note.
constexpr double kIdleNote = 100;
constexpr double kSailingNote = 1500;
constexpr double kDockingNote = 1500;

// The captain's siren: four notes together on instrument 6.
constexpr std::array<double, 4> kSirenChord{50, 100, 200, 400};
constexpr double kSirenMs = 1800;
constexpr double kSirenInstrument = 6;

// The crash against the pier: notes of random pitch 1..4000.
constexpr double kCrashNotes = 50;
constexpr double kCrashPitchRange = 4000;
constexpr double kCrashNoteMs = 20;

// Indexed by the attack direction DIR: 1 right, 2 left, 3 front, 4 back
// (index 0 is unused, as in the BASIC arrays).
constexpr std::array<double, 5> kDirectionClick{0, 1, 16, 15, 0};
constexpr std::array<int, 5> kFireKey{0, 0x88, 0x84, 0x81, 0x82};
// Attack window length in steps per ten units of game length D: an attack
// from behind is heard for longer.
constexpr std::array<double, 5> kWindowStepsPerTen{0, 4, 4, 4, 13};

// The instructions' demonstrations of the four direction signals.
struct Demonstration {
	double click;
	double count;
};
constexpr std::array<Demonstration, 4> kDemonstrations{{{1, 12}, {16, 12}, {15, 12}, {0, 39}}};

// Up, left and right cursor keys together start the engines; down, left and
// right together dock.
constexpr int kStartEnginesKey = 0x8D;
constexpr int kDockKey = 0x8E;

// The docking window lasts this many steps per unit of game length.
constexpr double kDockingStepsPerUnit = 2.5;

// Memory addresses the game sets to 1 while it runs; 50730 holding 1 keeps
// the screen review closed.
constexpr double kReviewLockAddress = 50730;
constexpr double kGameRunningAddress = 51257;

} // namespace figures

} // namespace velira
