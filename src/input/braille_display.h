#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The refreshable braille display: what the focused window shows, rendered
// into cells with the dots of the shell's own braille table, the panning
// window over a line longer than the display, and the display's keys.
namespace velira
{

// Dots 1 to 8 are the bits 0x01 to 0x80 of a cell.
constexpr uint8_t kDot7 = 0x40;
constexpr uint8_t kDot8 = 0x80;

// A cell's dots when the shell's table has no one-cell form of the
// character: the display's own text table gives them.
constexpr int kTextTableDots = -1;

// One cell: the character it stands for (code page 1250) and its dots.
struct BrailleCell {
	char character = ' ';
	int dots = 0;
	bool operator==(const BrailleCell &) const = default;
};

// The bits of a dot pattern as the braille table writes it ("146").
uint8_t DotsOfPattern(std::string_view pattern);

// The dots of a character from the braille table, so that what is read is
// what is typed: an entry without a prefix as it stands, a capital of the
// #cap section with dot 7 for the capital sign it needs when typed.
// Characters the table has only behind another prefix (the digits behind
// the number sign) and characters it lacks give kTextTableDots; a blank is
// an empty cell.
int BrailleDotsOf(char character);
std::vector<BrailleCell> BrailleCellsOf(std::string_view text);

// A key of the display. Route carries the 0-based cell of the routing key.
struct BrailleKey {
	enum class Kind { PanLeft, PanRight, LineUp, LineDown, Route };
	Kind kind = Kind::PanLeft;
	int cell = 0;
};

// The display the shell writes to. Every call is made on the user-interface
// thread and returns at once; an implementation talks to its device
// elsewhere and reports back on that thread through the handlers.
class BrailleDisplay
{
public:
	virtual ~BrailleDisplay() = default;

	// The cells of the connected display; 0 while none is connected.
	virtual int CellCount() const = 0;
	// Takes the display for the shell, and gives it back to the desktop.
	virtual void EnterTtyMode() = 0;
	virtual void LeaveTtyMode() = 0;
	// One row of cells; `cursor_cell` 0-based, -1 for none.
	virtual void Write(const std::vector<BrailleCell> &cells, int cursor_cell) = 0;

	// `changed` runs when a display comes or goes or changes its size.
	void SetHandlers(std::function<void()> changed, std::function<void(const BrailleKey &)> key)
	{
		on_changed_ = std::move(changed);
		on_key_ = std::move(key);
	}

protected:
	void NotifyChanged()
	{
		if (on_changed_)
			on_changed_();
	}
	void NotifyKey(const BrailleKey &key)
	{
		if (on_key_)
			on_key_(key);
	}

private:
	std::function<void()> on_changed_;
	std::function<void(const BrailleKey &)> on_key_;
};

// What a window shows on the display: one line of code page 1250 text and
// the cursor in it, and what the line and routing keys do there.
class BrailleContent
{
public:
	virtual ~BrailleContent() = default;
	virtual std::string Text() const = 0;
	// Index into Text() (may be its length: after the last character); -1
	// for none.
	virtual int Cursor() const { return -1; }
	virtual void LineUp() {}
	virtual void LineDown() {}
	// A routing key over character `index` of Text().
	virtual void RouteTo(int /*index*/) {}
};

// The main window's line: the row the program last printed on, with the
// cursor at the print position. A print position at the start of a row
// that is still empty shows the row above, so that a question just printed
// stays readable.
class ScreenLineContent final : public BrailleContent
{
public:
	std::string Text() const override;
	int Cursor() const override;

private:
	bool ShowsRowAbove() const;
};

// Renders the focused window's content onto the display. The display is
// held (tty mode) only while the setting is on, a shell window has the
// keyboard focus and a display is connected.
class BrailleOutput
{
public:
	void SetEnabled(bool enabled);
	bool Enabled() const { return enabled_; }
	void SetFocused(bool focused);
	bool Holding() const { return holding_; }

	// The content of the focused window (not owned; null for none).
	void SetContent(BrailleContent *content);
	BrailleContent *Content() const { return content_; }

	// The content may have changed: writes it if it did, the panning window
	// moving so that the cursor stays on the display.
	void Refresh();

	// From the display (see BrailleDisplay::SetHandlers).
	void DisplayChanged();
	void HandleKey(const BrailleKey &key);

	// The first character of the content on the display.
	int WindowOffset() const { return offset_; }

	// Connects to a display, or disconnects (null): the one way a display
	// reaches the core (the process entry attaches BRLTTY's, a test its fake).
	void Attach(BrailleDisplay *display);

	// As at start-up: the setting on, no shell window focused, no content.
	// The display stays attached.
	void Reset();

private:
	// Reads the content again; `new_content` writes it and places the
	// panning window anew even when it looks unchanged.
	void Update(bool new_content);
	void UpdateHolding();
	// The characters that the panning window may show: the text without its
	// trailing blanks, and the cursor's place.
	int Extent() const;
	void Write();

	BrailleDisplay *display_ = nullptr;
	bool enabled_ = true;
	bool focused_ = false;
	bool holding_ = false;
	BrailleContent *content_ = nullptr;
	std::string text_;
	int cursor_ = -1;
	int offset_ = 0;
	// What the display shows now, so that unchanged content is not sent.
	std::vector<BrailleCell> written_;
	int written_cursor_ = -1;
};

BrailleOutput &brailleOutput();

// The settings switch, [braille] display (default on).
void LoadBrailleDisplaySetting();
void SaveBrailleDisplaySetting();

// The Settings menu command: switches the display on or off, keeps it in the
// settings file and says the new state. Returns the new state.
bool BrailleDisplayCommand();

} // namespace velira
