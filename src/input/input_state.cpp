#include "input/input_state.h"

#include "input/braille_display.h"
#include "input/braille_tables.h"
#include "input/data_entry.h"
#include "input/key_handling.h"

namespace velira
{

void ResetInputState()
{
	ClearInputTables();
	brailleTableFileName.clear();
	keyboardFileName.clear();
	pendingKey.clear();
	brailleChord.clear();
	savedPrefix.clear();
	pendingText.clear();
	deadKeyPending = false;
	inputEdgeAnnounced = false;
	announceFocus = false;
	brailleOutput().Reset();
}

} // namespace velira
