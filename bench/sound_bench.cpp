// Timing of the tone statement through the real Qt timer and OpenAL:
//   1. the game's engine figure, 54 notes of 10 ms (goal: within 10 % of
//      540 ms);
//   2. the CPU time used while one 2-second tone waits (goal: under 3 % of
//      one core).
// Run by hand: QT_QPA_PLATFORM=offscreen ./sound_bench [runs]
#include "platform/adapters/openal_device.h"
#include "platform/qt/qt_platform.h"
#include "platform/services.h"
#include "platform/system_clock.h"
#include "runtime/velcommands.h"
#include "settings/shared_settings.h"
#include "sound/adapters/openal_mixer.h"
#include "sound/sound_bank.h"

#include <QCoreApplication>
#include <QObject>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace
{

double CpuSeconds(int who)
{
	rusage usage{};
	getrusage(who, &usage);
	return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
	       (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double WallSeconds()
{
	return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

int main(int argc, char *argv[])
{
	// The device buffer the shell plays through.
	velira::OpenAlDevice::PrepareShortBuffer();
	QCoreApplication app(argc, argv);
	using namespace velira;
	const int runs = argc > 1 ? std::atoi(argv[1]) : 5;

	QtMessagePump pump;
	SystemClock clock;
	OpenAlMixer mixer;
	QObject owner;
	QtTimer timer(&owner);
	timer.SetHandler([] { TimerTimer(); });
	Services &platform = services();
	platform.pump = &pump;
	platform.clock = &clock;
	platform.timer = &timer;
	platform.mixer = &mixer;

	try {
		CreateSoundDeviceAndWaveList();
		LoadSoundBank(VELIRA_SHIPPED_DATA "/sounds.dat");
	} catch (const std::exception &error) {
		std::fprintf(stderr, "%s\n", error.what());
		return 1;
	}
	deviceSounds = true;
	soundVolume = -3000;

	std::printf("engine up, 54 notes of 10 ms (goal 486..594 ms):\n");
	for (int run = 0; run < runs; ++run) {
		const double start = WallSeconds();
		for (int note = 100; note <= 895; note += 15)
			SoundStatement({static_cast<double>(note)}, 10, 8);
		std::printf("  run %d: %.1f ms\n", run + 1, (WallSeconds() - start) * 1000);
	}

	std::printf("one tone of 2000 ms (goal: under 3 %% of one core):\n");
	for (int run = 0; run < std::min(runs, 3); ++run) {
		const double wall = WallSeconds();
		const double thread_cpu = CpuSeconds(RUSAGE_THREAD);
		const double process_cpu = CpuSeconds(RUSAGE_SELF);
		SoundStatement({440}, 2000, 1);
		const double elapsed = WallSeconds() - wall;
		std::printf("  run %d: %.1f ms, main thread %.2f %%, whole process with the mixer %.2f %%\n",
		            run + 1, elapsed * 1000, 100 * (CpuSeconds(RUSAGE_THREAD) - thread_cpu) / elapsed,
		            100 * (CpuSeconds(RUSAGE_SELF) - process_cpu) / elapsed);
	}
	ReleaseSoundDeviceAndWaveList();
	return 0;
}
