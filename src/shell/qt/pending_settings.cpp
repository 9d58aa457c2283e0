#include "shell/qt/tform1.h"

// The settings commands, until the settings subsystem provides them.
namespace velira
{

void TForm1::LoadSettings() {}
void TForm1::soundssubmenuClick() {}
void TForm1::environmentsubmenuClick() {}

} // namespace velira
