#include "runtime/stack.h"

#include "platform/error.h"

namespace velira
{

void StackInit(StackNode *&top)
{
	while (top != nullptr) {
		StackNode *below = top->next;
		delete top;
		top = below;
	}
}

void StackPush(int32_t value, StackNode *&top)
{
	top = new StackNode{value, top};
}

void StackPop(int32_t &out, StackNode *&top)
{
	if (top == nullptr)
		throw ShellError("RETURN without GOSUB");
	StackNode *node = top;
	out = node->value;
	top = node->next;
	delete node;
}

} // namespace velira
