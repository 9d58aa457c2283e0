#include "review/screen_review.h"

#include "platform/services.h"
#include "platform/virtual_keys.h"
#include "runtime/velcommands.h"
#include "settings/localized_texts.h"
#include "speech/speech_output.h"

namespace velira
{

bool edgeAnnounced = false;

void ResetReviewState()
{
	edgeAnnounced = false;
}

namespace
{

// Opening and closing sound: two notes together, instrument 5.
void ReviewChord()
{
	SoundStatement({300, 450}, 100, 5);
}

bool IsWordSeparator(char ch)
{
	return ch == '\r' || ch == ' ' || ch == ',';
}

// Start index of line `line`, or npos past the last line break.
size_t LineStart(const std::string &text, int line)
{
	size_t at = 0;
	for (int i = 0; i < line; ++i) {
		const size_t br = text.find("\r\n", at);
		if (br == std::string::npos)
			return std::string::npos;
		at = br + 2;
	}
	return at;
}

// Sets or clears the shared edge flag; true when the edge clicks.
bool EdgeSignal(bool at_edge)
{
	if (!at_edge) {
		edgeAnnounced = false;
		return false;
	}
	if (edgeAnnounced)
		return true;
	edgeAnnounced = true;
	return false;
}

} // namespace

std::string ReviewText(const ScreenBuffer::Lines &lines)
{
	std::string text;
	for (const std::string &line : lines) {
		text += line;
		text += "\r\n";
	}
	return text;
}

int ReviewLineCount(const std::string &text)
{
	int count = 0;
	size_t at = 0;
	while (true) {
		const size_t br = text.find("\r\n", at);
		if (br == std::string::npos)
			break;
		++count;
		at = br + 2;
	}
	if (at < text.size())
		++count;
	return count;
}

int ReviewLineOf(const std::string &text, size_t p)
{
	int line = 0;
	size_t at = 0;
	while (true) {
		const size_t br = text.find("\r\n", at);
		if (br == std::string::npos || br + 2 > p)
			break;
		++line;
		at = br + 2;
	}
	return line;
}

std::string ReviewLine(const std::string &text, int line)
{
	const size_t start = LineStart(text, line);
	if (start == std::string::npos || start >= text.size())
		return {};
	const size_t end = text.find("\r\n", start);
	return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

int ReviewColumnOf(const std::string &text, size_t p)
{
	const size_t start = LineStart(text, ReviewLineOf(text, p));
	return static_cast<int>(p - start) + 1;
}

std::string ReviewWordAt(const std::string &text, size_t p)
{
	std::string word;
	for (size_t i = p; i < text.size() && !IsWordSeparator(text[i]); ++i)
		word += text[i];
	return word;
}

ReviewAnnouncement AnnounceReviewKey(int virtual_key, bool ctrl, const std::string &text, size_t p,
                                     const std::string &empty_line_text)
{
	ReviewAnnouncement out;
	if (virtual_key == vk::kUp || virtual_key == vk::kDown) {
		const int line = ReviewLineOf(text, p);
		out.click = EdgeSignal(line == 0 || line >= ReviewLineCount(text));
		const std::string content = ReviewLine(text, line);
		out.speech = ReviewAnnouncement::Speech::Text;
		out.text = content.empty() ? empty_line_text : content;
		return out;
	}
	if (virtual_key == vk::kLeft || virtual_key == vk::kRight || virtual_key == vk::kHome ||
	    virtual_key == vk::kEnd) {
		out.click = EdgeSignal(p == 0 || p == text.size());
		if (text.empty())
			return out;
		if (ctrl) {
			if (virtual_key == vk::kLeft || virtual_key == vk::kRight) {
				out.text = ReviewWordAt(text, p);
				if (!out.text.empty())
					out.speech = ReviewAnnouncement::Speech::Text;
			}
			return out;
		}
		if (p < text.size()) {
			out.speech = ReviewAnnouncement::Speech::Character;
			out.text = std::string(1, text[p]);
		}
	}
	return out;
}

std::string ReviewPositionText(const std::string &text, size_t p)
{
	return LocalizedText(languageBase, kTextLine) + " " + std::to_string(ReviewLineOf(text, p) + 1) +
	       ", " + LocalizedText(languageBase, kTextColumn) + " " +
	       std::to_string(ReviewColumnOf(text, p));
}

void OpenScreenReview()
{
	ReviewWindow &window = services().Review();
	if (PeekByte(kReviewGuardAddress) == 1)
		return;
	// The key that opened the review must not reach the running program.
	keyBuffer.clear();
	window.FillReview(ReviewText(screenBuffer().lines()));
	ReviewChord();
	SpeakAsync(LocalizedText(languageBase, kTextScreen));
	window.ShowReview();
	ReviewChord();
	SpeakAndWait(LocalizedText(languageBase, kTextEndOfScreen));
}

} // namespace velira
