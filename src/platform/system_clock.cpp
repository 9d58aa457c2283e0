#include "platform/system_clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace velira
{

int64_t SystemClock::NowMs()
{
	using namespace std::chrono;
	return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

TimeOfDay SystemClock::LocalTimeOfDay()
{
	const std::time_t now = std::time(nullptr);
	std::tm local{};
	localtime_r(&now, &local);
	return {local.tm_hour, local.tm_min, local.tm_sec};
}

void SystemClock::SleepMs(int64_t duration_ms)
{
	if (duration_ms > 0)
		std::this_thread::sleep_for(std::chrono::milliseconds(duration_ms));
}

SystemRandom::SystemRandom()
{
	ReseedFromClock();
}

double SystemRandom::NextUniform()
{
	return std::uniform_real_distribution<double>(0.0, 1.0)(engine_);
}

void SystemRandom::ReseedFromClock()
{
	engine_.seed(static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));
}

} // namespace velira
