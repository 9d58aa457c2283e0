#pragma once

#include "runtime/stack.h"

#include <cstdint>

namespace velira
{

// The GOSUB return stack of the translated program; it lives for the whole
// process and is reset at the start of every run.
extern StackNode *returnStack;
// The label taken by the latest RETURN.
extern int32_t returnLabel;

// Runs the built-in program from its first statement to its END.
void RunProgram();

// As at start-up: an empty return stack, no label taken.
void ResetProgramState();

} // namespace velira
