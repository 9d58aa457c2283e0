#include "input/braille_display.h"

#include "input/braille_tables.h"
#include "runtime/screen.h"
#include "settings/localized_texts.h"
#include "settings/settings_file.h"
#include "speech/speech_output.h"

#include <algorithm>

namespace velira
{

namespace
{

} // namespace

uint8_t DotsOfPattern(std::string_view pattern)
{
	uint8_t dots = 0;
	for (const char digit : pattern)
		if (digit >= '1' && digit <= '8')
			dots |= static_cast<uint8_t>(1u << (digit - '1'));
	return dots;
}

int BrailleDotsOf(char character)
{
	if (character == ' ')
		return 0;
	const std::string wanted(1, character);
	int capital = kTextTableDots;
	for (int slot = 0; slot < characterCount; ++slot) {
		const brlchartype &entry = brailleCharacters[static_cast<size_t>(slot)];
		if (entry.character != wanted)
			continue;
		if (entry.prefix.empty())
			return DotsOfPattern(entry.dots);
		if (entry.prefix == kCapitalPrefix && capital == kTextTableDots)
			capital = DotsOfPattern(entry.dots) | kDot7;
	}
	return capital;
}

std::vector<BrailleCell> BrailleCellsOf(std::string_view text)
{
	std::vector<BrailleCell> cells;
	cells.reserve(text.size());
	for (const char character : text)
		cells.push_back({character, BrailleDotsOf(character)});
	return cells;
}

bool ScreenLineContent::ShowsRowAbove() const
{
	const int row = screenCursor.getrow();
	return screenCursor.getcolumn() == 0 && row > 0 && row < kScreenRows &&
	       screenBuffer().line(row).empty();
}

std::string ScreenLineContent::Text() const
{
	const int row = std::min<int>(screenCursor.getrow(), kScreenRows - 1);
	return screenBuffer().line(ShowsRowAbove() ? row - 1 : row);
}

int ScreenLineContent::Cursor() const
{
	return ShowsRowAbove() ? -1 : screenCursor.getcolumn();
}

BrailleOutput &brailleOutput()
{
	static BrailleOutput instance;
	return instance;
}

void BrailleOutput::Attach(BrailleDisplay *display)
{
	if (display_ != nullptr) {
		if (holding_)
			display_->LeaveTtyMode();
		display_->SetHandlers(nullptr, nullptr);
	}
	holding_ = false;
	display_ = display;
	if (display_ != nullptr)
		display_->SetHandlers([this] { DisplayChanged(); },
		                      [this](const BrailleKey &key) { HandleKey(key); });
	UpdateHolding();
}

void BrailleOutput::Reset()
{
	SetContent(nullptr);
	SetFocused(false);
	SetEnabled(true);
	written_.clear();
	written_cursor_ = -1;
}

void BrailleOutput::SetEnabled(bool enabled)
{
	enabled_ = enabled;
	UpdateHolding();
}

void BrailleOutput::SetFocused(bool focused)
{
	focused_ = focused;
	UpdateHolding();
}

void BrailleOutput::SetContent(BrailleContent *content)
{
	content_ = content;
	// A new window starts at the start of its line, or where its cursor is;
	// it is written even when its line looks like the last one.
	offset_ = 0;
	Update(true);
}

void BrailleOutput::UpdateHolding()
{
	const bool hold = enabled_ && focused_ && display_ != nullptr && display_->CellCount() > 0;
	if (hold == holding_)
		return;
	holding_ = hold;
	written_.clear();
	if (hold) {
		display_->EnterTtyMode();
		Write();
	} else if (display_ != nullptr) {
		display_->LeaveTtyMode();
	}
}

void BrailleOutput::DisplayChanged()
{
	// A display that went away takes the shell's hold with it; one that came
	// back, or changed its size, is written afresh.
	if (holding_ && display_->CellCount() <= 0) {
		display_->LeaveTtyMode();
		holding_ = false;
	}
	written_.clear();
	UpdateHolding();
	Update(true);
}

int BrailleOutput::Extent() const
{
	int length = static_cast<int>(text_.size());
	while (length > 0 && text_[static_cast<size_t>(length) - 1] == ' ')
		--length;
	return std::max(length, cursor_ + 1);
}

void BrailleOutput::Refresh()
{
	Update(false);
}

void BrailleOutput::Update(bool new_content)
{
	if (content_ == nullptr) {
		text_.clear();
		cursor_ = -1;
		offset_ = 0;
	} else {
		std::string text = content_->Text();
		const int cursor = content_->Cursor();
		if (!new_content && text == text_ && cursor == cursor_)
			return;
		const bool new_text = new_content || text != text_;
		text_ = std::move(text);
		cursor_ = cursor;
		const int width = display_ != nullptr ? display_->CellCount() : 0;
		if (width > 0 && cursor_ >= 0 && (cursor_ < offset_ || cursor_ >= offset_ + width))
			offset_ = cursor_ - cursor_ % width;
		else if (cursor_ < 0 && new_text)
			offset_ = 0;
		// A shorter line pulls the window back to its last part.
		if (width > 0)
			offset_ = std::clamp(offset_, 0, std::max(0, (Extent() - 1) / width * width));
	}
	Write();
}

void BrailleOutput::Write()
{
	if (!holding_)
		return;
	const int width = display_->CellCount();
	std::vector<BrailleCell> cells;
	cells.reserve(static_cast<size_t>(width));
	if (offset_ < static_cast<int>(text_.size()))
		cells = BrailleCellsOf(
		    std::string_view(text_).substr(static_cast<size_t>(offset_), static_cast<size_t>(width)));
	cells.resize(static_cast<size_t>(width), BrailleCell{});
	const int cursor = cursor_ >= offset_ && cursor_ < offset_ + width ? cursor_ - offset_ : -1;
	if (cells == written_ && cursor == written_cursor_)
		return;
	written_ = cells;
	written_cursor_ = cursor;
	display_->Write(cells, cursor);
}

void BrailleOutput::HandleKey(const BrailleKey &key)
{
	// The display's keys belong to the shell only while it holds the display.
	if (!holding_)
		return;
	const int width = display_->CellCount();
	switch (key.kind) {
	case BrailleKey::Kind::PanLeft:
		offset_ = std::max(0, offset_ - width);
		Write();
		break;
	case BrailleKey::Kind::PanRight:
		if (offset_ + width < Extent()) {
			offset_ += width;
			Write();
		}
		break;
	case BrailleKey::Kind::LineUp:
		if (content_ != nullptr)
			content_->LineUp();
		Refresh();
		break;
	case BrailleKey::Kind::LineDown:
		if (content_ != nullptr)
			content_->LineDown();
		Refresh();
		break;
	case BrailleKey::Kind::Route: {
		const int index = offset_ + key.cell;
		// A routing key past the text reaches the place after its end.
		if (content_ != nullptr && key.cell >= 0 && key.cell < width)
			content_->RouteTo(std::min(index, static_cast<int>(text_.size())));
		Refresh();
		break;
	}
	}
}

void LoadBrailleDisplaySetting()
{
	brailleOutput().SetEnabled(SettingsFile().ReadBool("braille", "display", true));
}

void SaveBrailleDisplaySetting()
{
	SettingsFile().WriteBool("braille", "display", brailleOutput().Enabled());
}

bool BrailleDisplayCommand()
{
	BrailleOutput &output = brailleOutput();
	output.SetEnabled(!output.Enabled());
	SaveBrailleDisplaySetting();
	SpeakAndWait(LocalizedText(languageBase, output.Enabled() ? kTextDisplayOn : kTextDisplayOff));
	return output.Enabled();
}

} // namespace velira
