#include "sound/sound_bank_reader.h"

#include "platform/cp1250.h"
#include "platform/error.h"

#include <cstring>

namespace velira
{

namespace
{

// Value tags of the component stream.
constexpr uint8_t kNull = 0x00;
constexpr uint8_t kList = 0x01;
constexpr uint8_t kInt8 = 0x02;
constexpr uint8_t kInt16 = 0x03;
constexpr uint8_t kInt32 = 0x04;
constexpr uint8_t kString = 0x06;
constexpr uint8_t kIdent = 0x07;
constexpr uint8_t kFalse = 0x08;
constexpr uint8_t kTrue = 0x09;
constexpr uint8_t kBinary = 0x0A;
constexpr uint8_t kLString = 0x0C;
constexpr uint8_t kCollection = 0x0E;
constexpr uint8_t kWString = 0x12;
constexpr uint8_t kUtf8String = 0x14;

constexpr const char *kContainerType = "TWaveCollectionComponent";
constexpr const char *kItemType = "TWaveCollectionItem";

// The header's name ends within the first 79 bytes.
constexpr size_t kHeaderNameEnd = 79;

[[noreturn]] void InvalidStream()
{
	throw ShellError("Invalid stream format");
}

[[noreturn]] void InvalidValue()
{
	throw ShellError("Invalid property value");
}

// A property error, already reported with its owner and property name: it
// passes through the enclosing property unchanged.
class PropertyError : public ShellError
{
public:
	using ShellError::ShellError;
};

// Sequential reading over the file image; never past its end.
class Cursor
{
public:
	explicit Cursor(std::string_view bytes) : bytes_(bytes) {}

	size_t Left() const { return bytes_.size() - position_; }

	std::string_view Take(uint64_t count)
	{
		if (count > Left())
			throw ShellError("Stream read error");
		const std::string_view taken = bytes_.substr(position_, static_cast<size_t>(count));
		position_ += static_cast<size_t>(count);
		return taken;
	}

	uint8_t Byte() { return static_cast<uint8_t>(Take(1)[0]); }

	uint8_t PeekByte()
	{
		if (Left() == 0)
			throw ShellError("Stream read error");
		return static_cast<uint8_t>(bytes_[position_]);
	}

	uint32_t Unsigned(int size_bytes)
	{
		const std::string_view raw = Take(static_cast<uint64_t>(size_bytes));
		uint32_t value = 0;
		for (int i = size_bytes - 1; i >= 0; --i)
			value = (value << 8) | static_cast<uint8_t>(raw[static_cast<size_t>(i)]);
		return value;
	}

	std::string ShortString()
	{
		const uint8_t length = Byte();
		return std::string(Take(length));
	}

private:
	std::string_view bytes_;
	size_t position_ = 0;
};

// An integer value of the tags 0x02, 0x03, 0x04.
int32_t ReadIntegerValue(Cursor &in)
{
	switch (in.Byte()) {
	case kInt8:
		return static_cast<int8_t>(in.Unsigned(1));
	case kInt16:
		return static_cast<int16_t>(in.Unsigned(2));
	case kInt32:
		return static_cast<int32_t>(in.Unsigned(4));
	default:
		InvalidValue();
	}
}

// UTF-16 (little-endian) to code page 1250; a lone surrogate becomes '?'.
std::string Cp1250FromUtf16(std::string_view raw)
{
	std::string utf8;
	const auto unit = [&raw](size_t i) {
		return static_cast<char16_t>(static_cast<uint8_t>(raw[2 * i]) |
		                             (static_cast<uint8_t>(raw[2 * i + 1]) << 8));
	};
	const size_t count = raw.size() / 2;
	for (size_t i = 0; i < count; ++i) {
		const char16_t high = unit(i);
		if (high >= 0xD800 && high <= 0xDBFF && i + 1 < count) {
			const char16_t low = unit(i + 1);
			if (low >= 0xDC00 && low <= 0xDFFF) {
				AppendUtf8(utf8, 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) +
				                     (static_cast<char32_t>(low) - 0xDC00));
				++i;
				continue;
			}
		}
		if (high >= 0xD800 && high <= 0xDFFF)
			utf8 += '?';
		else
			AppendUtf8(utf8, high);
	}
	return Cp1250FromUtf8(utf8);
}

std::string ReadStringValue(Cursor &in)
{
	switch (in.Byte()) {
	case kString:
		return in.ShortString();
	case kLString:
		return std::string(in.Take(in.Unsigned(4)));
	case kWString:
		// The length counts 16-bit characters.
		return Cp1250FromUtf16(in.Take(static_cast<uint64_t>(in.Unsigned(4)) * 2));
	case kUtf8String:
		return Cp1250FromUtf8(in.Take(in.Unsigned(4)));
	default:
		InvalidValue();
	}
}

bool ReadBooleanValue(Cursor &in)
{
	switch (in.Byte()) {
	case kTrue:
		return true;
	case kFalse:
		return false;
	case kIdent: {
		std::string ident = in.ShortString();
		for (char &ch : ident)
			ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
		if (ident == "true")
			return true;
		if (ident == "false")
			return false;
		InvalidValue();
	}
	default:
		InvalidValue();
	}
}

// Runs `read` for the property `name` of `owner`; an error in it is reported
// as an error reading that property.
template <typename Read> void ReadProperty(const std::string &owner, const std::string &name, Read read)
{
	try {
		read();
	} catch (const PropertyError &) {
		throw;
	} catch (const ShellError &error) {
		throw PropertyError("Error reading " + owner + "." + name + ": " + error.what());
	}
}

void ReadItemProperties(Cursor &in, TWaveCollectionItem &item)
{
	while (in.PeekByte() != kNull) {
		const std::string name = in.ShortString();
		ReadProperty(kItemType, name, [&] {
			if (name == "Name") {
				item.Name = ReadStringValue(in);
			} else if (name == "Looped") {
				item.Looped = ReadBooleanValue(in);
			} else if (name == "MaxPlayingCount") {
				const int32_t count = ReadIntegerValue(in);
				item.MaxPlayingCount = count < 0 ? 0 : count;
			} else if (name == "Wave.WAVE") {
				if (in.Byte() != kBinary)
					InvalidValue();
				const uint32_t size = in.Unsigned(4);
				ReadWaveImage(in.Take(size), item.Wave);
			} else {
				throw ShellError("Property " + name + " does not exist");
			}
		});
	}
	in.Byte();
}

void ReadCollection(Cursor &in, TWaveCollection &items)
{
	if (in.Byte() != kCollection)
		InvalidValue();
	items.Clear();
	while (in.PeekByte() != kNull) {
		const uint8_t tag = in.PeekByte();
		if (tag == kInt8 || tag == kInt16 || tag == kInt32)
			ReadIntegerValue(in);
		if (in.Byte() != kList)
			InvalidValue();
		ReadItemProperties(in, items.Add());
	}
	in.Byte();
}

bool IsIdentifier(const std::string &name)
{
	const auto letter = [](char ch) {
		return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || ch == '_';
	};
	if (name.empty())
		return true;
	if (!letter(name[0]))
		return false;
	for (char ch : name) {
		if (!letter(ch) && !(ch >= '0' && ch <= '9'))
			return false;
	}
	return true;
}

} // namespace

void ReadWaveImage(std::string_view image, TWave &wave)
{
	if (image.size() < 12 || image.substr(0, 4) != "RIFF" || image.substr(8, 4) != "WAVE")
		throw ShellError("Wave is invalid");
	wave = TWave();
	Cursor in(image.substr(12));
	// Chunks follow each other without a fill byte after an odd length: the
	// stored banks were written that way.
	while (in.Left() >= 8) {
		const std::string_view id = in.Take(4);
		if (id == std::string_view("\0\0\0\0", 4))
			break;
		const uint32_t length = in.Unsigned(4);
		if (id == "fmt ") {
			const std::string_view body = in.Take(length);
			wave.format.assign(body.begin(), body.end());
		} else if (id == "data") {
			const std::string_view body = in.Take(length);
			wave.samples.assign(body.begin(), body.end());
		} else if (length > in.Left()) {
			break; // a skipped chunk running past the end ends the walk
		} else {
			in.Take(length);
		}
	}
}

void ReadSoundBank(std::string_view file, TWaveCollection &items)
{
	// Header: 0xFF, the 16-bit number 10, a name ending within the first 79
	// bytes, 2 bytes of flags and a 32-bit length.
	if (file.size() < 3 || static_cast<uint8_t>(file[0]) != 0xFF || file[1] != 10 || file[2] != 0)
		InvalidStream();
	const size_t name_end = file.substr(0, kHeaderNameEnd).find('\0', 3);
	if (name_end == std::string_view::npos)
		InvalidStream();
	const size_t stream_start = name_end - 3 + 10;
	if (stream_start > file.size())
		InvalidStream();
	Cursor in(file.substr(stream_start));
	if (in.Left() < 4 || in.Take(4) != "TPF0")
		InvalidStream();

	// Optional flags byte, then an integer when its bit 1 is set.
	if (in.PeekByte() >= 0xF0) {
		const uint8_t flags = in.Byte();
		if (flags & 0x02)
			ReadIntegerValue(in);
	}
	in.ShortString(); // the type name
	const std::string component_name = in.ShortString();
	if (!IsIdentifier(component_name))
		throw ShellError("''" + component_name + "'' is not a valid component name");
	const std::string owner = component_name.empty() ? kContainerType : component_name;

	while (in.PeekByte() != kNull) {
		const std::string name = in.ShortString();
		ReadProperty(owner, name, [&] {
			if (name != "List")
				throw ShellError("Property " + name + " does not exist");
			ReadCollection(in, items);
		});
	}
	in.Byte();
	// The container has no parts: a zero byte ends the stream.
	if (in.Byte() != kNull)
		InvalidStream();
}

} // namespace velira
