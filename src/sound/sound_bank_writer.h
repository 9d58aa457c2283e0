#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes sound bank files: the shipped bank's generator uses it, and the
// tests check it against the reader.
namespace velira
{

struct SoundBankEntry {
	std::string name; // code page 1250
	bool looped = false;
	int32_t max_playing_count = 0;
	std::vector<uint8_t> format; // a RIFF "fmt " chunk body
	std::vector<uint8_t> samples;
};

// The 16-byte format record of uncompressed PCM.
std::vector<uint8_t> PcmFormatRecord(uint16_t channels, uint32_t rate_hz, uint16_t bits_per_sample);

// A RIFF wave image with one "fmt " and one "data" chunk.
std::string WaveImage(const std::vector<uint8_t> &format, const std::vector<uint8_t> &samples);

// The whole bank file: the header, the component stream and every entry in
// order.
std::string WriteSoundBank(const std::vector<SoundBankEntry> &entries);

} // namespace velira
