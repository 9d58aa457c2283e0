#pragma once

#include <string>
#include <vector>

// The order of the voice list: the languages the shell speaks come first,
// each led by its main voice.
namespace velira
{

// A voice as a speech engine lists it: its name and its first language tag
// (lower case, "en-gb").
struct ListedVoice {
	std::string name;
	std::string language;
};

// Czech, Slovak and English voices first, in that order, the rest after
// them. Within each of the three languages the main voice leads (the voice
// of the bare language or of its main country: Czech, Slovak, English as in
// Great Britain, then as in America), then the regional variants. Otherwise
// the engine's own order is kept.
std::vector<ListedVoice> OrderVoices(std::vector<ListedVoice> voices);

} // namespace velira
