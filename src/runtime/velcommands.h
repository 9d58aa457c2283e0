#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The statement runtime: every statement or function of the device's BASIC
// that is more than arithmetic. The translated program calls these; the
// shell uses the tone statement for its own signals and PEEK for the screen
// review guard.
namespace velira
{

// The last key delivered by the main window's key handlers; handlers replace
// it, ReadKeys takes it.
extern std::string keyBuffer;
extern uint8_t lastInstrument;
extern int32_t lastDuration;
extern double lastRandom;
// True while a tone statement waits for its duration.
extern bool soundWaiting;

// The runtime's start-up, and its whole state as it was then: an empty
// screen, the print position and the tone defaults, the key slot, RND's last
// value, no tone waiting, no DATA file open.
void ResetRuntimeState();

// INKEY$: handles the pending messages once, then takes the key slot.
std::string ReadKeys();

// The DATA file "data.dta", found as every data file is (DataFilePath).
constexpr const char *kDataFileName = "data.dta";
// Opens the DATA file from its beginning when it exists (the Start command).
void OpenDataFile();
// Closes it; nothing happens when none is open.
void CloseDataFile();
// READ of one item.
std::string ReadDataItem();

// SOUND: the notes together as a chord for the duration, waiting for it
// while the message loop runs.
void SoundStatement(const std::vector<double> &notes, double duration, double instrument);
void BeepSound();
void ClickSound(double n);

// The main window's timer event: the tone's duration has passed.
void TimerTimer();

void PokeByte(double address, double value);
uint8_t PeekByte(double address);

double RandomNumber(double x);
std::string TimeText();
double ValueOf(const std::string &text);
std::string CharOf(double code);

// BASIC's conversion of a double to a whole number: toward zero. Values
// beyond the 64-bit range saturate and NaN gives 0, so no input is undefined.
int64_t Trunc(double value);

} // namespace velira
