#include "settings/localized_texts.h"

#include "platform/cp1250.h"
#include "settings/localized_texts_table.h"
#include "settings/settings_file.h"

namespace velira
{

int languageBase = kCzechBase;

namespace
{

// Texts are fetched through a buffer of 256 characters with its terminator.
constexpr size_t kMaxTextLength = 255;

const char *RawText(int id)
{
	const int block = id / 1000;
	const int n = id % 1000;
	if (id < 0 || n >= kLocalizedTextCount)
		return nullptr;
	const LocalizedRow &row = kLocalizedTexts[static_cast<size_t>(n)];
	switch (block) {
	case 1:
		return row.czech;
	case 2:
		return row.english;
	case 3:
		return row.slovak;
	default:
		return nullptr;
	}
}

} // namespace

std::string LocalizedText(int base, int n)
{
	// Computed in 64 bits: a stored base near the integer limit must not wrap.
	const long long id = static_cast<long long>(base) + n;
	if (id < 0 || id > 3999)
		return {};
	const char *text = RawText(static_cast<int>(id));
	if (text == nullptr)
		return {};
	std::string converted = Cp1250FromUtf8(text);
	if (converted.size() > kMaxTextLength)
		converted.resize(kMaxTextLength);
	return converted;
}

void TResourceLocalizer::ListLanguages(LanguageList &list)
{
	list.clear();
	for (int base = 1000;; base += 1000) {
		std::string name = velira::LocalizedText(base, 0);
		if (name.empty())
			break;
		list.emplace_back(std::move(name), base);
	}
}

void LoadLanguageSetting()
{
	languageBase = SettingsFile().ReadInteger("environment", "language", kCzechBase);
}

void SaveLanguageSetting()
{
	SettingsFile().WriteInteger("environment", "language", languageBase);
}

} // namespace velira
