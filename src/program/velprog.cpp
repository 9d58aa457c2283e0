#include "program/velprog.h"

#include "platform/cp1250.h"
#include "platform/random_source.h"
#include "platform/services.h"
#include "runtime/screen.h"

namespace velira
{

StackNode *returnStack = nullptr;
int32_t returnLabel = 0;

void RunProgram()
{
	StackInit(returnStack);
	services().random->ReseedFromClock();
	// The game's opening question; the rest of the game follows it here.
	PrintText(Cp1250FromUtf8("hra loď. vieš čo máš robiť?"), 0);
}

} // namespace velira
