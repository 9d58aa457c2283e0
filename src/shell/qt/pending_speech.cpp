#include "shell/qt/tform1.h"

// The voice commands, until the speech subsystem provides them.
namespace velira
{

void TForm1::VoicesubmenuClick() {}
void TForm1::usesapi5submenuClick() {}
void TForm1::PrepareVoiceForRun() {}

} // namespace velira
