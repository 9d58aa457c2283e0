// Synthesizes the shipped sound bank "sounds.dat": every wave the shell
// plays, written in the bank's file format.
//
//   make_sound_bank <output file>
//
// The output depends on nothing but this program, so the committed bank can
// be checked against a fresh one.
#include "sound/sound_bank_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace
{

using velira::SoundBankEntry;

constexpr double kPi = 3.14159265358979323846;
// Effects are recorded at 22050 samples per second, 16 bits.
constexpr uint32_t kEffectRate_hz = 22050;
// The tone waves hold one period of 64 samples: played at f x 64 samples per
// second they sound at f Hz. Their own rate is that of 440 Hz.
constexpr int kTableSamples = 64;
constexpr uint32_t kTableRate_hz = 440 * kTableSamples;
// Peak of one tone wave: four channels of a chord add up to full scale.
constexpr double kTablePeak = 0.25;

struct Frame {
	double left = 0.0;
	double right = 0.0;
};

int16_t ToSample(double value)
{
	const double clamped = std::clamp(value, -1.0, 1.0);
	return static_cast<int16_t>(std::lround(clamped * 32767.0));
}

void PutSample(std::vector<uint8_t> &bytes, double value)
{
	const auto sample = static_cast<uint16_t>(ToSample(value));
	bytes.push_back(static_cast<uint8_t>(sample & 0xFF));
	bytes.push_back(static_cast<uint8_t>(sample >> 8));
}

std::vector<uint8_t> Mono(const std::vector<double> &samples)
{
	std::vector<uint8_t> bytes;
	bytes.reserve(samples.size() * 2);
	for (double value : samples)
		PutSample(bytes, value);
	return bytes;
}

std::vector<uint8_t> Stereo(const std::vector<Frame> &frames)
{
	std::vector<uint8_t> bytes;
	bytes.reserve(frames.size() * 4);
	for (const Frame &frame : frames) {
		PutSample(bytes, frame.left);
		PutSample(bytes, frame.right);
	}
	return bytes;
}

int Samples(double duration_ms)
{
	return static_cast<int>(std::lround(duration_ms * kEffectRate_hz / 1000.0));
}

// A short linear fade at both ends, so a sound neither starts nor stops with
// a jump.
double Fade(int i, int count, double fade_in_ms, double fade_out_ms)
{
	const double in = Samples(fade_in_ms);
	const double out = Samples(fade_out_ms);
	double gain = 1.0;
	if (in > 0 && i < in)
		gain = std::min(gain, i / in);
	if (out > 0 && count - 1 - i < out)
		gain = std::min(gain, (count - 1 - i) / out);
	return gain;
}

// A small deterministic noise source (no library generator, so every build
// writes the same bytes).
class Noise
{
public:
	double Next()
	{
		state_ = state_ * 1103515245u + 12345u;
		return static_cast<double>((state_ >> 8) & 0xFFFF) / 32768.0 - 1.0;
	}

private:
	uint32_t state_ = 20240611u;
};

// A tone of `duration_ms` with the given partials (frequency multiple,
// amplitude).
std::vector<double> Tone(double frequency_hz, double duration_ms, double peak,
                         const std::vector<std::pair<double, double>> &partials)
{
	const int count = Samples(duration_ms);
	std::vector<double> out(static_cast<size_t>(count));
	double sum = 0.0;
	for (const auto &partial : partials)
		sum += partial.second;
	for (int i = 0; i < count; ++i) {
		const double t = static_cast<double>(i) / kEffectRate_hz;
		double value = 0.0;
		for (const auto &[multiple, amplitude] : partials)
			value += amplitude * std::sin(2 * kPi * frequency_hz * multiple * t);
		out[static_cast<size_t>(i)] = peak * value / sum * Fade(i, count, 4, 25);
	}
	return out;
}

SoundBankEntry MonoEntry(const std::string &name, const std::vector<double> &samples)
{
	SoundBankEntry entry;
	entry.name = name;
	entry.format = velira::PcmFormatRecord(1, kEffectRate_hz, 16);
	entry.samples = Mono(samples);
	return entry;
}

SoundBankEntry Beep()
{
	return MonoEntry("beep", Tone(880, 180, 0.5, {{1, 1.0}, {2, 0.2}, {3, 0.05}}));
}

// A click: a struck tone that dies away, with a touch of noise at its start,
// placed in the stereo field, then silence up to the signal's full length
// (the game's attack window counts in these lengths).
struct ClickShape {
	double pitch_hz;
	double pan; // -1 left .. 1 right
	double decay_ms;
	double brightness; // weight of the second and third partials
	int strikes;       // struck once, or twice for the signal from behind
};

constexpr double kClickLength_ms = 150;

SoundBankEntry Click(int number, const ClickShape &shape)
{
	const int count = Samples(kClickLength_ms);
	std::vector<Frame> frames(static_cast<size_t>(count));
	Noise noise;
	// Equal-power panning.
	const double angle = (shape.pan + 1.0) * kPi / 4.0;
	const double left_gain = std::cos(angle);
	const double right_gain = std::sin(angle);
	const double strike_spacing_ms = 55;
	for (int strike = 0; strike < shape.strikes; ++strike) {
		const int start = Samples(strike * strike_spacing_ms);
		for (int i = start; i < count; ++i) {
			const int k = i - start;
			const double t = static_cast<double>(k) / kEffectRate_hz;
			const double envelope = std::exp(-t * 1000.0 / shape.decay_ms) *
			                        std::min(1.0, k / static_cast<double>(Samples(1)));
			double value = std::sin(2 * kPi * shape.pitch_hz * t) +
			               shape.brightness * 0.5 * std::sin(2 * kPi * shape.pitch_hz * 2 * t) +
			               shape.brightness * 0.25 * std::sin(2 * kPi * shape.pitch_hz * 3 * t);
			value /= 1.0 + shape.brightness * 0.75;
			if (t < 0.004)
				value += 0.25 * noise.Next() * (1.0 - t / 0.004);
			value *= 0.6 * envelope;
			frames[static_cast<size_t>(i)].left += value * left_gain;
			frames[static_cast<size_t>(i)].right += value * right_gain;
		}
	}
	SoundBankEntry entry;
	entry.name = "click" + std::to_string(number);
	entry.max_playing_count = 4;
	entry.format = velira::PcmFormatRecord(2, kEffectRate_hz, 16);
	entry.samples = Stereo(frames);
	return entry;
}

std::vector<SoundBankEntry> Clicks()
{
	std::vector<SoundBankEntry> clicks;
	for (int n = 0; n <= 16; ++n) {
		// The direction signals: right high and to the right, left lower and
		// to the left, front bright and high in the centre, behind a low
		// double knock in the centre.
		ClickShape shape{400.0 + 90.0 * n, (n - 8) / 8.0 * 0.5, 18, 0.3, 1};
		if (n == 1)
			shape = {1250, 0.9, 22, 0.3, 1};
		else if (n == 16)
			shape = {830, -0.9, 22, 0.3, 1};
		else if (n == 15)
			shape = {2100, 0.0, 14, 1.0, 1};
		else if (n == 0)
			shape = {330, 0.0, 30, 0.1, 2};
		clicks.push_back(Click(n, shape));
	}
	return clicks;
}

// The partials of instrument 1 to 9, as (harmonic, amplitude); every tone
// wave of an instrument holds one period of them.
std::vector<std::pair<int, double>> InstrumentPartials(int instrument)
{
	// Harmonics stay low so that high notes do not alias harshly.
	constexpr int kTopHarmonic = 10;
	std::vector<std::pair<int, double>> partials;
	for (int k = 1; k <= kTopHarmonic; ++k) {
		double amplitude = 0.0;
		switch (instrument) {
		case 1: // sine
			amplitude = k == 1 ? 1.0 : 0.0;
			break;
		case 2: // square
			amplitude = k % 2 ? 1.0 / k : 0.0;
			break;
		case 3: // triangle
			amplitude = k % 2 ? ((k / 2) % 2 ? -1.0 : 1.0) / (k * k) : 0.0;
			break;
		case 4: // sawtooth
			amplitude = 1.0 / k;
			break;
		case 5: // pulse of a quarter period
			amplitude = std::sin(kPi * k * 0.25) / k;
			break;
		case 6: // organ
			amplitude = k == 1   ? 1.0
			            : k == 2 ? 0.5
			            : k == 3 ? 0.35
			            : k == 4 ? 0.25
			            : k == 6 ? 0.15
			            : k == 8 ? 0.1
			                     : 0.0;
			break;
		case 7: // reed: odd partials falling fast
			amplitude = k % 2 ? std::pow(0.5, (k - 1) / 2.0) : 0.0;
			break;
		case 8: // soft buzz, the engine's voice
			amplitude = 1.0 / std::pow(k, 1.6);
			break;
		default: // 9, brass: strong second partial
			amplitude = k == 2 ? 0.8 : 1.0 / std::pow(k, 0.9);
			break;
		}
		if (amplitude != 0.0)
			partials.emplace_back(k, amplitude);
	}
	return partials;
}

std::vector<double> WaveTable(int instrument)
{
	const auto partials = InstrumentPartials(instrument);
	std::vector<double> table(kTableSamples);
	for (int i = 0; i < kTableSamples; ++i) {
		const double phase = 2 * kPi * i / kTableSamples;
		for (const auto &[harmonic, amplitude] : partials)
			table[static_cast<size_t>(i)] += amplitude * std::sin(harmonic * phase);
	}
	double peak = 0.0;
	for (double value : table)
		peak = std::max(peak, std::abs(value));
	for (double &value : table)
		value *= kTablePeak / peak;
	return table;
}

std::vector<SoundBankEntry> ToneWaves()
{
	std::vector<SoundBankEntry> waves;
	for (int instrument = 1; instrument <= 9; ++instrument) {
		const std::vector<uint8_t> samples = Mono(WaveTable(instrument));
		for (int channel = 1; channel <= 4; ++channel) {
			SoundBankEntry entry;
			entry.name = "snd" + std::to_string(channel) + std::to_string(instrument);
			entry.looped = true;
			entry.format = velira::PcmFormatRecord(1, kTableRate_hz, 16);
			entry.samples = samples;
			waves.push_back(entry);
		}
	}
	return waves;
}

// The typing echo: a rising pair for a capital, a soft tick for a letter, a
// higher one for a digit, a hollow one for anything else.
std::vector<SoundBankEntry> EchoWaves()
{
	std::vector<double> capital = Tone(800, 35, 0.45, {{1, 1.0}, {2, 0.15}});
	const std::vector<double> upper = Tone(1200, 35, 0.45, {{1, 1.0}, {2, 0.15}});
	capital.insert(capital.end(), upper.begin(), upper.end());
	return {
	    MonoEntry("ecapital", capital),
	    MonoEntry("eletter", Tone(1000, 40, 0.45, {{1, 1.0}, {3, 0.1}})),
	    MonoEntry("enumber", Tone(1500, 40, 0.45, {{1, 1.0}, {2, 0.1}})),
	    MonoEntry("esign", Tone(600, 45, 0.45, {{1, 1.0}, {2, 0.5}, {3, 0.3}})),
	};
}

} // namespace

int main(int argc, char *argv[])
{
	if (argc != 2) {
		std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
		return 2;
	}
	std::vector<SoundBankEntry> entries;
	entries.push_back(Beep());
	for (auto &wave : Clicks())
		entries.push_back(std::move(wave));
	for (auto &wave : ToneWaves())
		entries.push_back(std::move(wave));
	for (auto &wave : EchoWaves())
		entries.push_back(std::move(wave));

	const std::string bank = velira::WriteSoundBank(entries);
	std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
	out.write(bank.data(), static_cast<std::streamsize>(bank.size()));
	out.close();
	if (!out) {
		std::fprintf(stderr, "cannot write %s\n", argv[1]);
		return 1;
	}
	return 0;
}
