#pragma once

#include "settings/localized_texts_table.h"

#include <string>
#include <utility>
#include <vector>

namespace velira
{

// Base of the current language block: 1000 Czech, 2000 English, 3000 Slovak.
extern int languageBase;

constexpr int kCzechBase = 1000;
constexpr int kEnglishBase = 2000;
constexpr int kSlovakBase = 3000;

// Every localized text by name: LocalizedText(languageBase, kTextReady).
// The number is the text's place in its language block.
constexpr int kTextLanguageName = 0;
constexpr int kTextAppTitle = 1;
constexpr int kTextProgramMenu = 2;
constexpr int kTextStart = 3;
constexpr int kTextSettingsMenu = 4;
constexpr int kTextEnvironmentItem = 5;
constexpr int kTextRestartNotice = 6;
constexpr int kTextOk = 7;
constexpr int kTextCancel = 8;
constexpr int kTextLanguageLabel = 9;
constexpr int kTextEnvironmentCaption = 10;
constexpr int kTextVoiceCaption = 11;
constexpr int kTextVoices = 12;
constexpr int kTextPitch = 13;
constexpr int kTextSpeed = 14;
constexpr int kTextVolume = 15;
constexpr int kTextChooseVoice = 16;
constexpr int kTextClose = 17;
constexpr int kTextVoiceOff = 18;
constexpr int kTextVoiceSelected = 19;
constexpr int kTextSoundsItem = 20;
constexpr int kTextSoundsCaption = 21;
constexpr int kTextUseVoice = 22;
constexpr int kTextEnterData = 23;
constexpr int kTextKeyboardFile = 24;
constexpr int kTextReady = 25;
constexpr int kTextScreen = 26;
constexpr int kTextUseSapi5 = 27;
constexpr int kTextSoundVolume = 28;
constexpr int kTextEmptyLine = 29;
constexpr int kTextEndOfScreen = 30;
constexpr int kTextLine = 31;
constexpr int kTextColumn = 32;
constexpr int kTextExit = 33;
constexpr int kTextHelpMenu = 34;
constexpr int kTextAboutItem = 35;
constexpr int kTextAboutCaption = 36;
constexpr int kTextVersion = 37;
constexpr int kTextVoiceItem = 38;
constexpr int kTextDeviceSounds = 39;
constexpr int kTextNoVoices = 40;
constexpr int kTextScreenFull = 41;
constexpr int kTextCannotFindFile = 42;
constexpr int kTextVoiceNotFound = 43;
constexpr int kTextPleaseRetype = 44;
constexpr int kTextExitProgram = 45;
constexpr int kTextBrailleKeyboardItem = 46;
constexpr int kTextKeyboardEchoItem = 47;
constexpr int kTextEchoSounds = 48;
constexpr int kTextEchoChars = 49;
constexpr int kTextEchoWords = 50;
constexpr int kTextAutoChangeItem = 51;
constexpr int kTextReadStatusBar = 52;
constexpr int kTextClassic = 53;
constexpr int kTextBraille = 54;
constexpr int kTextAutoOff = 55;
constexpr int kTextAutoOn = 56;
constexpr int kTextBrailleDisplayItem = 57;
constexpr int kTextDisplayOn = 58;
constexpr int kTextDisplayOff = 59;
constexpr int kTextColoursItem = 60;
constexpr int kTextSchemeDesktop = 61;
constexpr int kTextSchemeWhiteOnBlack = 62;
constexpr int kTextSchemeYellowOnBlack = 63;
constexpr int kTextSchemeBlackOnWhite = 64;
constexpr int kTextSchemeBlackOnYellow = 65;
constexpr int kTextLargerText = 66;
constexpr int kTextSmallerText = 67;
constexpr int kTextNormalTextSize = 68;
// "%d" stands for the font size in pixels.
constexpr int kTextFontSize = 69;
constexpr int kTextScreenReaderItem = 70;
constexpr int kTextScreenReaderAuto = 71;
constexpr int kTextScreenReaderAlways = 72;
constexpr int kTextScreenReaderNever = 73;
constexpr int kTextOrcaEchoItem = 74;
constexpr int kTextOrcaQuietNotice = 75;
constexpr int kTextOrcaEchoOn = 76;
constexpr int kTextOrcaEchoOff = 77;
// A new text takes the next number and a row of the table: the last name is
// the table's last row.
static_assert(kTextOrcaEchoOff == kLocalizedTextCount - 1,
              "the last text's name and the table's count disagree");

// Localized text `n` of the block at `base`, in code page 1250; the empty
// string when the id base + n holds no text. The base is not validated: a
// base inside a block (1001) reads that block's other texts, as stored
// settings may ask for.
std::string LocalizedText(int base, int n);

// An item list that carries an integer with each item (the language chooser).
using LanguageList = std::vector<std::pair<std::string, int>>;

// Class-level operations only; it has no instances and no state.
class TResourceLocalizer
{
public:
	TResourceLocalizer() = delete;

	// Clears `list`, then appends the name of every language block from base
	// 1000 on, in steps of 1000, until a base without a text.
	static void ListLanguages(LanguageList &list);

	static std::string LocalizedText(int base, int n) { return velira::LocalizedText(base, n); }
};

// Reads [environment] language from the settings file into languageBase
// (1000 when absent or not a number).
void LoadLanguageSetting();

// Writes languageBase to [environment] language.
void SaveLanguageSetting();

} // namespace velira
