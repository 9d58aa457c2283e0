#include "platform/services.h"

namespace velira
{

Services &services()
{
	static Services instance;
	return instance;
}

} // namespace velira
