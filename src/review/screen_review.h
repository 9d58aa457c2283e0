#pragma once

#include "runtime/screen.h"

#include <cstddef>
#include <string>

namespace velira
{

// One flag for vertical and horizontal movement: an edge is clicked only
// when it was already reached by the previous announced key. It lives for
// the whole run, across openings of the review.
extern bool edgeAnnounced;

// As at start-up: no edge announced.
void ResetReviewState();

// The memory address whose value 1 forbids the review while a program runs.
constexpr double kReviewGuardAddress = 50730;

// The review text: every screen line followed by a carriage return and a
// line feed, as the original text control held it.
std::string ReviewText(const ScreenBuffer::Lines &lines);

// Lines of a review text: the lines ended by a line break, plus a last line
// without one when the text does not end with a break. The place after the
// last line break is not a line.
int ReviewLineCount(const std::string &text);

// The 0-based line that holds caret position `p` (the number of line breaks
// before it).
int ReviewLineOf(const std::string &text, size_t p);

// The text of line `line` without its break; empty past the last line.
std::string ReviewLine(const std::string &text, int line);

// The caret's 1-based column within its line.
int ReviewColumnOf(const std::string &text, size_t p);

// The word from `p` up to the first carriage return, blank or comma.
std::string ReviewWordAt(const std::string &text, size_t p);

// What a key release in the review announces.
struct ReviewAnnouncement {
	enum class Speech { None, Text, Character };
	bool click = false;           // ClickSound(16): a second try past an edge
	Speech speech = Speech::None; // how `text` is spoken
	std::string text;             // the line, the word or the character
};

// The announcement after `virtual_key` (a Windows virtual key,
// platform/virtual_keys.h) was released and the text area has moved the
// caret to `p`; updates edgeAnnounced. `empty_line_text` is the
// localized "empty line".
ReviewAnnouncement AnnounceReviewKey(int virtual_key, bool ctrl, const std::string &text, size_t p,
                                     const std::string &empty_line_text);

// "line 3, column 17" in the current language.
std::string ReviewPositionText(const std::string &text, size_t p);

// The window that shows the review text (TForm6), as OpenScreenReview uses
// it; it connects itself as services().reviewWindow.
class ReviewWindow
{
public:
	virtual ~ReviewWindow() = default;
	// Puts the focus on the text area and fills it with `review_text`, the
	// caret at 0.
	virtual void FillReview(const std::string &review_text) = 0;
	// Shows the window modally; returns when it has closed, which every way
	// of closing it does with the result Cancel.
	virtual void ShowReview() = 0;
};

// Opens the review over the screen, unless the running program forbids it
// (1 at memory address 50730); returns when the review has closed. Raises a
// ShellError when no review window is connected.
void OpenScreenReview();

} // namespace velira
