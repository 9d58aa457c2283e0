#pragma once

#include "input/braille_display.h"

#include <string>
#include <vector>

namespace velira::testing
{

// A braille display of `cells` cells that records what the shell does with
// it, attached to the braille output for its lifetime.
class FakeBrailleDisplay final : public BrailleDisplay
{
public:
	explicit FakeBrailleDisplay(int cells = 40) : cells_(cells) { brailleOutput().Attach(this); }
	~FakeBrailleDisplay() override { brailleOutput().Attach(nullptr); }

	int CellCount() const override { return cells_; }
	void EnterTtyMode() override
	{
		tty = true;
		++enters;
	}
	void LeaveTtyMode() override
	{
		tty = false;
		++leaves;
	}
	void Write(const std::vector<BrailleCell> &written, int cursor_cell) override
	{
		cells = written;
		cursor = cursor_cell;
		++writes;
	}

	// The server comes, goes or changes the display.
	void Connect(int cell_count)
	{
		cells_ = cell_count;
		NotifyChanged();
	}
	void Press(BrailleKey::Kind kind, int cell = 0) { NotifyKey(BrailleKey{kind, cell}); }

	// The characters shown, as a string.
	std::string Text() const
	{
		std::string text;
		for (const BrailleCell &cell : cells)
			text += cell.character;
		return text;
	}

	bool tty = false;
	int enters = 0;
	int leaves = 0;
	int writes = 0;
	std::vector<BrailleCell> cells;
	int cursor = -1;

private:
	int cells_;
};

} // namespace velira::testing
