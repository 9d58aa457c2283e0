#pragma once

#include <cstdint>

namespace velira
{

// The GOSUB return-label stack: a singly linked stack of 32-bit labels whose
// nodes the stack owns.
struct StackNode {
	int32_t value = 0;
	StackNode *next = nullptr;
};

// Frees the nodes that `top` still holds (labels left behind at END) and
// sets it to empty.
void StackInit(StackNode *&top);

void StackPush(int32_t value, StackNode *&top);

// Takes the newest label. Popping an empty stack raises "RETURN without GOSUB".
void StackPop(int32_t &out, StackNode *&top);

} // namespace velira
