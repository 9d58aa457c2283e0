#include "sound/sound_bank_writer.h"

#include <stdexcept>

namespace velira
{

namespace
{

void Put(std::string &out, uint32_t value, int size_bytes)
{
	for (int i = 0; i < size_bytes; ++i)
		out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutShortString(std::string &out, const std::string &text)
{
	if (text.size() > 255)
		throw std::length_error("short string longer than 255 bytes");
	out += static_cast<char>(text.size());
	out += text;
}

void PutBytes(std::string &out, const std::vector<uint8_t> &bytes)
{
	out.append(bytes.begin(), bytes.end());
}

} // namespace

std::vector<uint8_t> PcmFormatRecord(uint16_t channels, uint32_t rate_hz, uint16_t bits_per_sample)
{
	const uint16_t block_align = static_cast<uint16_t>(channels * bits_per_sample / 8);
	std::string record;
	Put(record, 1, 2); // PCM
	Put(record, channels, 2);
	Put(record, rate_hz, 4);
	Put(record, rate_hz * block_align, 4);
	Put(record, block_align, 2);
	Put(record, bits_per_sample, 2);
	return std::vector<uint8_t>(record.begin(), record.end());
}

std::string WaveImage(const std::vector<uint8_t> &format, const std::vector<uint8_t> &samples)
{
	std::string image = "RIFF";
	Put(image, static_cast<uint32_t>(4 + 8 + format.size() + 8 + samples.size()), 4);
	image += "WAVE";
	image += "fmt ";
	Put(image, static_cast<uint32_t>(format.size()), 4);
	PutBytes(image, format);
	image += "data";
	Put(image, static_cast<uint32_t>(samples.size()), 4);
	PutBytes(image, samples);
	return image;
}

std::string WriteSoundBank(const std::vector<SoundBankEntry> &entries)
{
	std::string stream = "TPF0";
	PutShortString(stream, "TWaveCollectionComponent");
	PutShortString(stream, "");
	PutShortString(stream, "List");
	stream += '\x0E';
	for (const SoundBankEntry &entry : entries) {
		stream += '\x01';
		PutShortString(stream, "Name");
		if (entry.name.size() <= 255) {
			stream += '\x06';
			PutShortString(stream, entry.name);
		} else {
			stream += '\x0C';
			Put(stream, static_cast<uint32_t>(entry.name.size()), 4);
			stream += entry.name;
		}
		if (entry.looped) {
			PutShortString(stream, "Looped");
			stream += '\x09';
		}
		if (entry.max_playing_count != 0) {
			PutShortString(stream, "MaxPlayingCount");
			const int32_t count = entry.max_playing_count;
			if (count >= -128 && count <= 127) {
				stream += '\x02';
				Put(stream, static_cast<uint32_t>(count), 1);
			} else if (count >= -32768 && count <= 32767) {
				stream += '\x03';
				Put(stream, static_cast<uint32_t>(count), 2);
			} else {
				stream += '\x04';
				Put(stream, static_cast<uint32_t>(count), 4);
			}
		}
		PutShortString(stream, "Wave.WAVE");
		stream += '\x0A';
		const std::string image = WaveImage(entry.format, entry.samples);
		Put(stream, static_cast<uint32_t>(image.size()), 4);
		stream += image;
		stream += '\0'; // end of the item's properties
	}
	stream += '\0'; // end of the collection
	stream += '\0'; // end of the container's properties
	stream += '\0'; // the container has no parts

	// The header: 0xFF, the number 10, the resource name, flags and the
	// length of the stream.
	std::string file = "\xFF";
	Put(file, 10, 2);
	file += "TWAVECOLLECTIONCOMPONENT";
	file += '\0';
	Put(file, 0x1030, 2);
	Put(file, static_cast<uint32_t>(stream.size()), 4);
	return file + stream;
}

} // namespace velira
