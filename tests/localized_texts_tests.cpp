#include "fakes/fake_platform.h"
#include "platform/cp1250.h"
#include "settings/localized_texts.h"
#include "settings/localized_texts_table.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

namespace velira
{
namespace
{

TEST(LocalizedText, LooksUpEachLanguageBlock)
{
	EXPECT_EQ(LocalizedText(2000, kTextScreenFull), "The screen is full.");
	EXPECT_EQ(LocalizedText(3000, kTextScreenFull), Cp1250FromUtf8("Obrazovka je plná."));
	EXPECT_EQ(LocalizedText(1000, kTextReady), "hotovo");
	EXPECT_EQ(LocalizedText(2000, kTextReady), "ready");
	EXPECT_EQ(LocalizedText(1000, kTextLanguageName), "\xC8"
	                                                  "e\x9Atina")
	    << "converted to code page 1250";
	EXPECT_EQ(LocalizedText(1000, kTextAutoOn), Cp1250FromUtf8("Autorežim je zapnut"));
	EXPECT_EQ(LocalizedText(2000, kTextBrailleDisplayItem), "Braille &display");
	EXPECT_EQ(LocalizedText(3000, kTextDisplayOff), Cp1250FromUtf8("Braillovský riadok vypnutý"));
}

TEST(LocalizedText, OutsideTheTableIsEmpty)
{
	EXPECT_EQ(LocalizedText(1000, kLocalizedTextCount), "");
	EXPECT_EQ(LocalizedText(1000, -1), "");
	EXPECT_EQ(LocalizedText(0, 1), "");
	EXPECT_EQ(LocalizedText(4000, 1), "");
	EXPECT_EQ(LocalizedText(2147483647, 59), "") << "no overflow near the integer limit";
	EXPECT_EQ(LocalizedText(1001, 0), Cp1250FromUtf8("Překladač Velira Basicu"))
	    << "a base inside a block reads that block's other texts";
}

TEST(LocalizedText, ListLanguagesReplacesTheList)
{
	LanguageList list{{"old", 7}, {"older", 8}};
	TResourceLocalizer::ListLanguages(list);
	ASSERT_EQ(list.size(), 3u);
	EXPECT_EQ(list[0], std::make_pair(Cp1250FromUtf8("Čeština"), 1000));
	EXPECT_EQ(list[1], std::make_pair(std::string("English"), 2000));
	EXPECT_EQ(list[2], std::make_pair(Cp1250FromUtf8("Slovenčina"), 3000));
}

TEST(LocalizedText, LanguageSettingRoundTripsThroughTheFile)
{
	testing::ScratchFolder folder;
	testing::FakePlatform platform;
	LoadLanguageSetting();
	EXPECT_EQ(languageBase, 1000) << "no file: Czech";

	testing::WriteFile(folder.path() + "/velira.ini", "[Environment]\nLANGUAGE=0x7D0\n");
	LoadLanguageSetting();
	EXPECT_EQ(languageBase, 2000) << "hexadecimal, names in any case";

	testing::WriteFile(folder.path() + "/velira.ini", "[environment]\nlanguage=english\n");
	LoadLanguageSetting();
	EXPECT_EQ(languageBase, 1000) << "not a number: the default";

	languageBase = 3000;
	SaveLanguageSetting();
	languageBase = 1000;
	LoadLanguageSetting();
	EXPECT_EQ(languageBase, 3000);
}

TEST(Cp1250, ConvertsBothWays)
{
	const std::string utf8 = "žluťoučký kůň ľ ô ä – €";
	const std::string cp = Cp1250FromUtf8(utf8);
	EXPECT_EQ(cp.size(), 23u);
	EXPECT_EQ(Utf8FromCp1250(cp), utf8);
	EXPECT_EQ(Cp1250FromUtf8("日"), "?") << "not in the code page";
	EXPECT_EQ(Cp1250FromUtf8(std::string("a\xC3", 2)), "a?") << "a cut sequence";
}

} // namespace
} // namespace velira
