#pragma once

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
