#pragma once

#include <array>

namespace velira
{

constexpr int kLocalizedTextCount = 78;

// One localized text in the three languages (UTF-8).
struct LocalizedRow {
	const char *czech;
	const char *english;
	const char *slovak;
};

extern const std::array<LocalizedRow, kLocalizedTextCount> kLocalizedTexts;

} // namespace velira
