#include "platform/error.h"
#include "runtime/stack.h"

#include <gtest/gtest.h>

namespace velira
{
namespace
{

TEST(ReturnStack, LastInFirstOutThroughNestedGosubs)
{
	StackNode *top = nullptr;
	StackInit(top);
	StackPush(40, top);
	StackPush(100240, top);
	int32_t label = 0;
	StackPop(label, top);
	EXPECT_EQ(label, 100240);
	StackPop(label, top);
	EXPECT_EQ(label, 40);
	EXPECT_EQ(top, nullptr);
}

TEST(ReturnStack, PopOfAnEmptyStackIsAClearError)
{
	StackNode *top = nullptr;
	int32_t label = 17;
	EXPECT_THROW(
	    {
		    try {
			    StackPop(label, top);
		    } catch (const ShellError &e) {
			    EXPECT_STREQ(e.what(), "RETURN without GOSUB");
			    throw;
		    }
	    },
	    ShellError);
	EXPECT_EQ(label, 17) << "nothing is written on failure";
}

TEST(ReturnStack, InitFreesLabelsLeftBehind)
{
	// Leak checking under the sanitizer build catches nodes that are not freed.
	StackNode *top = nullptr;
	for (int i = 0; i < 1000; ++i)
		StackPush(100440, top);
	StackInit(top);
	EXPECT_EQ(top, nullptr);
}

} // namespace
} // namespace velira
