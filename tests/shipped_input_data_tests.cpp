// The braille table and keyboard files that ship with the shell.
#include "fakes/fake_platform.h"
#include "input/braille_tables.h"
#include "platform/cp1250.h"

#include <gtest/gtest.h>

namespace velira
{
namespace
{

class ShippedInputDataTest : public ::testing::Test
{
protected:
	void LoadTable()
	{
		brailleTableFileName = std::string(VELIRA_SHIPPED_DATA) + "/" + kBrailleTableFile;
		LoadBrailleTable();
	}

	// The pattern of the first entry of `prefix` that types `character`.
	static std::string PatternOf(const std::string &character, const std::string &prefix)
	{
		for (int i = 0; i < characterCount; ++i) {
			if (brailleCharacters[i].character == character &&
			    brailleCharacters[i].prefix == prefix)
				return brailleCharacters[i].dots;
		}
		return std::string();
	}

	testing::FakePlatform platform;
};

// The Czech alphabet, each letter with its capital.
const char *const kCzechLetters[][2] = {
    {"a", "A"}, {"á", "Á"}, {"b", "B"}, {"c", "C"}, {"č", "Č"}, {"d", "D"}, {"ď", "Ď"},
    {"e", "E"}, {"é", "É"}, {"ě", "Ě"}, {"f", "F"}, {"g", "G"}, {"h", "H"}, {"i", "I"},
    {"í", "Í"}, {"j", "J"}, {"k", "K"}, {"l", "L"}, {"m", "M"}, {"n", "N"}, {"ň", "Ň"},
    {"o", "O"}, {"ó", "Ó"}, {"p", "P"}, {"q", "Q"}, {"r", "R"}, {"ř", "Ř"}, {"s", "S"},
    {"š", "Š"}, {"t", "T"}, {"ť", "Ť"}, {"u", "U"}, {"ú", "Ú"}, {"ů", "Ů"}, {"v", "V"},
    {"w", "W"}, {"x", "X"}, {"y", "Y"}, {"ý", "Ý"}, {"z", "Z"}, {"ž", "Ž"}};

TEST_F(ShippedInputDataTest, EveryCzechLetterRoundTripsThroughItsChord)
{
	LoadTable();
	for (const auto &pair : kCzechLetters) {
		const char *utf8 = pair[0];
		const std::string letter = Cp1250FromUtf8(utf8);
		const std::string pattern = PatternOf(letter, "");
		ASSERT_FALSE(pattern.empty()) << utf8 << " is not in the table";
		EXPECT_EQ(TranslateChord(pattern), letter) << utf8;

		// Dot 6 is the Czech capital sign; dots 4 6 are kept beside it.
		const std::string capital = Cp1250FromUtf8(pair[1]);
		for (const char *capital_sign : {"6", "46"}) {
			EXPECT_EQ(TranslateChord(capital_sign), "") << "the capital sign types nothing";
			EXPECT_EQ(activePrefix, "#cap") << capital_sign;
			EXPECT_EQ(TranslateChord(pattern), capital) << utf8 << " after " << capital_sign;
			EXPECT_EQ(activePrefix, "") << "the capital sign lasts one letter";
		}
	}
}

TEST_F(ShippedInputDataTest, StandardPatternsOfTheGameKeysAndDigits)
{
	LoadTable();
	// F alone is dot 1, a; F with D is dots 1 2, b.
	EXPECT_EQ(TranslateChord("1"), "a");
	EXPECT_EQ(TranslateChord("12"), "b");
	EXPECT_EQ(TranslateChord("146"), Cp1250FromUtf8("č"));
	EXPECT_EQ(TranslateChord("3456"), "");
	std::string digits;
	for (const char *pattern : {"1", "12", "14", "145", "15", "124", "1245", "125", "24", "245"})
		digits += TranslateChord(pattern);
	EXPECT_EQ(digits, "1234567890");
	EXPECT_EQ(TranslateChord(" "), " ");
	EXPECT_EQ(TranslateChord("1"), "a") << "the space ends the number";
	EXPECT_EQ(TranslateChord("2"), ",");
	EXPECT_EQ(TranslateChord("26"), "?");
}

TEST_F(ShippedInputDataTest, NoPatternIsShadowedByAnEarlierEntry)
{
	LoadTable();
	for (int i = 0; i < characterCount; ++i) {
		for (int j = 0; j < i; ++j) {
			EXPECT_FALSE(brailleCharacters[i].prefix == brailleCharacters[j].prefix &&
			             brailleCharacters[i].dots == brailleCharacters[j].dots)
			    << brailleCharacters[i].character << " and " << brailleCharacters[j].character;
		}
	}
}

TEST_F(ShippedInputDataTest, EveryPrintableCharacterHasASpokenNameInEachLanguage)
{
	for (const char *language : {"czech", "english", "slovak"}) {
		ClearInputTables();
		keyboardFileName = std::string(VELIRA_SHIPPED_DATA) + "/" + language + kKeyboardFileExtension;
		ASSERT_NO_THROW(LoadKeyboardFile()) << language;
		for (int code = 0x20; code < 0x100; ++code) {
			if (code == 0x7F ||
			    (code >= 0x80 && CodePointFromCp1250(static_cast<uint8_t>(code)) < 0xA0))
				continue; // no character
			const int slot = FindEchoKey(static_cast<uint8_t>(code));
			ASSERT_NE(slot, kNoEchoKey) << language << " lacks code " << code;
			EXPECT_FALSE(echoKeys[slot].name.empty()) << language << " code " << code;
		}
	}
	keyboardFileName = std::string(VELIRA_SHIPPED_DATA) + "/czech.vky";
	LoadKeyboardFile();
	EXPECT_EQ(echoKeys[FindEchoKey(0xE1)].name, Cp1250FromUtf8("dlouhé á"));
	EXPECT_EQ(echoKeys[FindEchoKey(',')].name, Cp1250FromUtf8("čárka"));
}

} // namespace
} // namespace velira
