#include "shell/qt/tform1.h"

// The sound objects, until the sound subsystem provides them.
namespace velira
{

void TForm1::CreateSoundObjects() {}

} // namespace velira
