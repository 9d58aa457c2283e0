#include "speech/voice_order.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace velira
{

namespace
{

struct SpokenLanguage {
	std::string_view language;
	// The language's main voices, best first; other tags of the language
	// are its regional variants.
	std::array<std::string_view, 3> main_tags;
};

// The languages of the user interface, in the order the list shows them.
constexpr std::array<SpokenLanguage, 3> kSpokenLanguages{{
    {"cs", {"cs", "cs-cz", ""}},
    {"sk", {"sk", "sk-sk", ""}},
    {"en", {"en", "en-gb", "en-us"}},
}};

bool IsOfLanguage(std::string_view tag, std::string_view language)
{
	return tag == language || (tag.size() > language.size() &&
	                           tag.substr(0, language.size()) == language && tag[language.size()] == '-');
}

// The voice's place: its language among the spoken ones, then its tag among
// that language's main voices. Voices of other languages all share the last
// place.
std::pair<size_t, size_t> Rank(std::string_view tag)
{
	for (size_t language = 0; language < kSpokenLanguages.size(); ++language) {
		const SpokenLanguage &spoken = kSpokenLanguages[language];
		if (!IsOfLanguage(tag, spoken.language))
			continue;
		const auto main = std::find(spoken.main_tags.begin(), spoken.main_tags.end(), tag);
		return {language, static_cast<size_t>(main - spoken.main_tags.begin())};
	}
	return {kSpokenLanguages.size(), 0};
}

} // namespace

std::vector<ListedVoice> OrderVoices(std::vector<ListedVoice> voices)
{
	std::stable_sort(voices.begin(), voices.end(), [](const ListedVoice &a, const ListedVoice &b) {
		return Rank(a.language) < Rank(b.language);
	});
	return voices;
}

} // namespace velira
