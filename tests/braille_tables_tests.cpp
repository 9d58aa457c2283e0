#include "fakes/fake_platform.h"
#include "input/braille_tables.h"
#include "platform/cp1250.h"
#include "platform/error.h"
#include "platform/integer_text.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velira
{
namespace
{

class BrailleTableTest : public ::testing::Test
{
protected:
	// Writes `text` as the braille table of the scratch folder and loads it.
	void Load(const std::string &text)
	{
		testing::WriteFile("table.vbt", text);
		brailleTableFileName = "table.vbt";
		LoadBrailleTable();
	}

	std::string Type(std::initializer_list<const char *> patterns)
	{
		std::string typed;
		for (const char *pattern : patterns)
			typed += TranslateChord(pattern);
		return typed;
	}

	testing::ScratchFolder folder;
	testing::FakePlatform platform;
};

constexpr const char *kExampleTable = "[prefixes]\n#cap=46\n#num=3456\n"
                                      "[characters]\na=1\n"
                                      "[#cap]\nA=1\n"
                                      "[#num]\n1=1\n";

TEST_F(BrailleTableTest, CapitalLastsOneCharacterNumberLastsUntilSpace)
{
	Load(kExampleTable);
	EXPECT_EQ(Type({"46", "1"}), "A");
	EXPECT_EQ(activePrefix, "");
	EXPECT_EQ(Type({"1"}), "a");
	EXPECT_EQ(Type({"3456", "1", "1"}), "11");
	EXPECT_EQ(activePrefix, "#num");
	EXPECT_EQ(TranslateChord(" "), " ");
	EXPECT_EQ(activePrefix, "");
	EXPECT_EQ(Type({"1"}), "a");
}

TEST_F(BrailleTableTest, PrefixStaysWhenItsSectionLacksThePattern)
{
	Load(kExampleTable + std::string("[characters]\nb=12\n"));
	EXPECT_EQ(Type({"46", "12"}), "");
	EXPECT_EQ(activePrefix, "#cap") << "an untyped pattern does not end #cap";
	EXPECT_EQ(Type({"1"}), "A");
	EXPECT_EQ(Type({"12"}), "b") << "entries of a repeated [characters] section count";
	TranslateChord("3456");
	EXPECT_EQ(TranslateChord("999"), "");
	EXPECT_EQ(activePrefix, "#num") << "an unknown pattern leaves the prefix alone";
}

TEST_F(BrailleTableTest, APrefixPatternNeverTypesAndReplacesThePrefixInForce)
{
	Load("[prefixes]\n#num=3456\n#cap=46\n[characters]\nz=46\n[#cap]\nA=1\n");
	EXPECT_EQ(Type({"3456", "46"}), "");
	EXPECT_EQ(activePrefix, "#cap");
	EXPECT_EQ(Type({"1"}), "A");
}

TEST_F(BrailleTableTest, SectionAndLineRules)
{
	Load("a=9\n" // before any section: ignored
	     "[prefixes]\n"
	     "cap=46\n" // no leading "#": ignored
	     "\n"
	     "#cap=46\n"
	     "[characters] \n" // the blank makes the name "characters]"
	     "b=2\n"
	     "[remarks]\n"
	     "c=3\n"
	     "[characters]\n"
	     "x\n" // no "=": the whole line is both parts
	     "\n"
	     "e=1=2\n"  // split at the first "="
	     "f=21\n"); // written out of order
	EXPECT_EQ(prefixCount, 1);
	EXPECT_EQ(braillePrefixes[0].name, "#cap");
	EXPECT_EQ(characterCount, 3);
	EXPECT_EQ(TranslateChord("2"), "");
	EXPECT_EQ(TranslateChord("3"), "");
	EXPECT_EQ(TranslateChord("9"), "");
	EXPECT_EQ(TranslateChord("x"), "x");
	EXPECT_EQ(TranslateChord("1=2"), "e");
	EXPECT_EQ(TranslateChord("12"), "") << "patterns match exactly, digits in the written order";
}

TEST_F(BrailleTableTest, ASecondPrefixesSectionOverwritesFromTheFirstSlot)
{
	Load("[prefixes]\n#cap=46\n#num=3456\n[prefixes]\n#big=6\n");
	EXPECT_EQ(prefixCount, 1);
	EXPECT_EQ(TranslateChord("46"), "");
	EXPECT_EQ(activePrefix, "") << "the overwritten #cap is gone";
	TranslateChord("6");
	EXPECT_EQ(activePrefix, "#big");
}

TEST_F(BrailleTableTest, LinesBeyondTheTableSizesAreIgnored)
{
	std::string text = "[prefixes]\n";
	for (int i = 1; i <= 12; ++i)
		text += "#p" + std::to_string(i) + "=p" + std::to_string(i) + "\n";
	text += "[characters]\n";
	for (int i = 1; i <= 300; ++i)
		text += "c" + std::to_string(i) + "=" + std::to_string(i) + "\n";
	Load(text);
	EXPECT_EQ(prefixCount, kPrefixSlots);
	EXPECT_EQ(characterCount, kMaxCharacterCount);
	TranslateChord("p10");
	EXPECT_EQ(activePrefix, "#p10");
	TranslateChord("p11");
	EXPECT_EQ(activePrefix, "#p10") << "the 11th prefix was not stored";
	activePrefix.clear();
	EXPECT_EQ(TranslateChord("255"), "c255");
	EXPECT_EQ(TranslateChord("256"), "");
	EXPECT_EQ(TranslateChord("300"), "");
}

TEST_F(BrailleTableTest, WindowsLineEndsAreNotPartOfTheEntries)
{
	Load("[prefixes]\r\n#cap=46\r\n[characters]\r\na=1\r\n[#cap]\r\nA=1\r\n");
	EXPECT_EQ(Type({"46", "1", "1"}), "Aa");
}

TEST_F(BrailleTableTest, MissingTableRaisesFileNotFoundAndLeavesNoCharacters)
{
	Load(kExampleTable);
	brailleTableFileName = "absent.vbt";
	try {
		LoadBrailleTable();
		FAIL() << "no error";
	} catch (const ShellError &error) {
		EXPECT_STREQ(error.what(), "File not found");
	}
	// A table looked up in the data folders is named in the message.
	const std::string installed = std::filesystem::current_path().string() + "/share/czech.vbt";
	brailleTableFileName = installed;
	try {
		LoadBrailleTable();
		FAIL() << "no error";
	} catch (const ShellError &error) {
		EXPECT_EQ(std::string(error.what()), "File not found: " + installed);
	}
	EXPECT_EQ(characterCount, 0);
	EXPECT_EQ(TranslateChord("1"), "");
	EXPECT_EQ(TranslateChord(" "), " ") << "the space pattern needs no table";
}

class KeyboardFileTest : public BrailleTableTest
{
protected:
	void LoadKeys(const std::string &text)
	{
		testing::WriteFile("keys.vky", text);
		keyboardFileName = "keys.vky";
		LoadKeyboardFile();
	}
};

TEST_F(KeyboardFileTest, CodesTakeTheLowEightBitsAndNamesTheRestOfTheLine)
{
	LoadKeys("65=capital A\r\n\r\n321=x\r\n$42=bee\n$43=see=sea\n-1=minus one\n70=\n");
	EXPECT_EQ(echoKeys[0].code, 65);
	EXPECT_EQ(echoKeys[0].name, "capital A") << "no line end in the name";
	EXPECT_EQ(echoKeys[1].code, 65) << "321 modulo 256; the empty line took no slot";
	EXPECT_EQ(echoKeys[1].name, "x");
	EXPECT_EQ(echoKeys[2].code, 0x42);
	EXPECT_EQ(echoKeys[3].code, 0x43);
	EXPECT_EQ(echoKeys[3].name, "see=sea");
	EXPECT_EQ(echoKeys[4].code, 255);
	EXPECT_EQ(echoKeys[5].name, "");
	EXPECT_EQ(FindEchoKey(65), 0) << "the lowest slot wins";
	EXPECT_EQ(FindEchoKey(70), 5);
	EXPECT_EQ(FindEchoKey(0), 6) << "an unfilled slot holds code 0";
}

TEST_F(KeyboardFileTest, NonNumberStopsLoadingAndKeepsTheSlotsFilled)
{
	const auto expect_error = [this](const std::string &text, const std::string &message) {
		ClearInputTables();
		try {
			LoadKeys(text);
			ADD_FAILURE() << "no error for " << text;
		} catch (const ShellError &error) {
			EXPECT_EQ(error.what(), message);
		}
	};
	expect_error("65=a\n=x\n66=b\n", "'' is not a valid integer value");
	EXPECT_EQ(echoKeys[0].name, "a");
	EXPECT_EQ(FindEchoKey(66), kNoEchoKey);
	expect_error("65=a\nno equals sign\n", "'' is not a valid integer value");
	expect_error("6 5=a\n", "'6 5' is not a valid integer value");
	expect_error("99999999999=a\n", "'99999999999' is not a valid integer value");
	expect_error("$=a\n", "'$' is not a valid integer value");
	expect_error("0x43=a\n", "'0x43' is not a valid integer value");
}

TEST_F(KeyboardFileTest, The257thEntryOverwritesTheFirstSlot)
{
	std::string text;
	for (int i = 0; i < 257; ++i)
		text += std::to_string(i + 1) + "=n" + std::to_string(i) + "\n";
	LoadKeys(text);
	EXPECT_EQ(echoKeys[0].code, 1);
	EXPECT_EQ(echoKeys[0].name, "n256");
	EXPECT_EQ(echoKeys[255].name, "n255");
}

TEST_F(KeyboardFileTest, MissingFileRaisesFileNotFound)
{
	keyboardFileName = "absent.vky";
	EXPECT_THROW(LoadKeyboardFile(), ShellError);
	EXPECT_EQ(FindEchoKey(65), kNoEchoKey);
}

// The one conversion of the keyboard file and of VAL with "%".
TEST(StrToIntTest, DecimalAndDollarHexadecimalWithinThirtyTwoBits)
{
	EXPECT_EQ(StrToInt("  42"), 42);
	EXPECT_EQ(StrToInt("-7"), -7);
	EXPECT_EQ(StrToInt("$ff"), 255);
	EXPECT_EQ(StrToInt("2147483647"), 2147483647);
	EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
	EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
	EXPECT_EQ(StrToInt("-$80000000"), INT32_MIN) << "a negated hexadecimal stays within 32 bits";
	EXPECT_EQ(StrToInt("-$FFFFFFFF"), 1);
	for (const char *bad :
	     {"", " ", "-", "2147483648", "12a", "42 ", "$100000000", "1.5", "0x1F", "\t42", "$ 1"})
		EXPECT_THROW(StrToInt(bad), ShellError) << bad;
}

TEST(LetterClassTest, CodePage1250RowAgreesWithTheLetterPairs)
{
	const std::string upper = Cp1250FromUtf8("ÁÄČĎÉĚÍĹĽŇÓÔÖŔŘŠŤÚŮÜÝŽ");
	const std::string lower = Cp1250FromUtf8("áäčďéěíĺľňóôöŕřšťúůüýž");
	for (int code = 128; code < 256; ++code) {
		const auto byte = static_cast<uint8_t>(code);
		const bool is_upper = upper.find(static_cast<char>(byte)) != std::string::npos;
		const bool is_lower = lower.find(static_cast<char>(byte)) != std::string::npos;
		EXPECT_EQ(IsUpperLetter(byte, kCp1250Row), is_upper) << "code " << code;
		EXPECT_EQ(IsLowerLetter(byte, kCp1250Row), is_lower) << "code " << code;
	}
	EXPECT_TRUE(IsUpperLetter(0xC8, 2));
	EXPECT_FALSE(IsLowerLetter(0xC8, 2));
	for (uint8_t neither : {0xA7, 0xD7}) {
		EXPECT_FALSE(IsUpperLetter(neither, 2));
		EXPECT_FALSE(IsLowerLetter(neither, 2));
	}
}

TEST(LetterClassTest, AsciiRangeAndOtherRows)
{
	EXPECT_TRUE(IsUpperLetter('Z', 2));
	EXPECT_FALSE(IsUpperLetter('z', 2));
	EXPECT_TRUE(IsLowerLetter('a', 7));
	EXPECT_FALSE(IsLowerLetter('@', 7)) << "below 128 the row is not looked at";
	// Code page 852: 0xAC is Č, 0x9F is č, 0xF5 the section sign.
	EXPECT_TRUE(IsUpperLetter(0xAC, 1));
	EXPECT_TRUE(IsLowerLetter(0x9F, 1));
	EXPECT_FALSE(IsUpperLetter(0xF5, 1));
	EXPECT_FALSE(IsLowerLetter(0xF5, 1));
	// A row that does not exist holds no letters.
	EXPECT_FALSE(IsUpperLetter(0xC8, 8));
	EXPECT_FALSE(IsLowerLetter(0xE8, 255));
}

} // namespace
} // namespace velira
