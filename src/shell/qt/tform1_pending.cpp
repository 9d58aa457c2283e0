#include "shell/qt/tform1.h"

// Menu commands whose subsystems are not connected yet. Each subsystem
// defines its own handlers in its own folder and takes them out of here.
namespace velira
{

void TForm1::anouncetypeitemClick() {}
void TForm1::braillekeyboarditemClick() {}
void TForm1::autochangeitemClick() {}
void TForm1::keyboardechoitemClick() {}
void TForm1::soundssubmenuClick() {}
void TForm1::VoicesubmenuClick() {}
void TForm1::usesapi5submenuClick() {}
void TForm1::environmentsubmenuClick() {}

} // namespace velira
