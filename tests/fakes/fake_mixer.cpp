#include "fakes/fake_mixer.h"

#include "platform/services.h"

namespace velira::testing
{

namespace
{
uint32_t Field(const std::vector<uint8_t> &record, size_t offset, int size_bytes)
{
	if (record.size() < offset + static_cast<size_t>(size_bytes))
		return 0;
	uint32_t value = 0;
	for (int i = size_bytes - 1; i >= 0; --i)
		value = (value << 8) | record[offset + static_cast<size_t>(i)];
	return value;
}
} // namespace

void FakeMixer::Install()
{
	previous_ = services().mixer;
	services().mixer = this;
	installed_ = true;
}

FakeMixer::~FakeMixer()
{
	if (installed_)
		services().mixer = previous_;
}

MixerResult FakeMixer::Record(const std::string &op, MixerBufferId buffer, int64_t value, MixerResult result)
{
	calls.push_back(Call{clock_.now_ms, op, buffer, value, result});
	return result;
}

int64_t FakeMixer::LengthMs(const Buffer &buffer) const
{
	const uint32_t own_rate = Field(buffer.format, 4, 4);
	const uint32_t block_align = Field(buffer.format, 12, 2);
	const int64_t rate = buffer.frequency_hz != 0 ? buffer.frequency_hz : own_rate;
	if (rate <= 0 || block_align == 0)
		return 0;
	const int64_t frames = (buffer.size_bytes - buffer.position_bytes) / block_align;
	return (frames * 1000 + rate - 1) / rate;
}

bool FakeMixer::Sounding(MixerBufferId id)
{
	const auto it = buffers.find(id);
	if (it == buffers.end() || !it->second.playing)
		return false;
	Buffer &buffer = it->second;
	if (!buffer.looping && clock_.now_ms >= buffer.started_ms + LengthMs(buffer)) {
		buffer.playing = false;
		buffer.position_bytes = 0;
	}
	return buffer.playing;
}

MixerResult FakeMixer::Open()
{
	open_ = !fail_open;
	return Record("open", 0, 0, fail_open ? MixerResult::kFailed : MixerResult::kOk);
}

MixerResult FakeMixer::CreateBuffer(const std::vector<uint8_t> &format, uint32_t size_bytes,
                                    MixerBufferId *buffer)
{
	*buffer = 0;
	if (fail_create || format.size() < 16)
		return Record("create", 0, size_bytes, MixerResult::kBadFormat);
	*buffer = next_id_++;
	buffers[*buffer] = Buffer{format, size_bytes};
	return Record("create", *buffer, size_bytes, MixerResult::kOk);
}

MixerResult FakeMixer::WriteSamples(MixerBufferId buffer, const std::vector<uint8_t> &samples)
{
	if (fail_write || buffers.count(buffer) == 0)
		return Record("write", buffer, static_cast<int64_t>(samples.size()), MixerResult::kFailed);
	buffers[buffer].samples_written = samples.size();
	return Record("write", buffer, static_cast<int64_t>(samples.size()), MixerResult::kOk);
}

MixerResult FakeMixer::DuplicateBuffer(MixerBufferId master, MixerBufferId *copy)
{
	*copy = 0;
	if (buffers.count(master) == 0)
		return Record("duplicate", master, 0, MixerResult::kInvalidParameter);
	*copy = next_id_++;
	Buffer made{buffers[master].format, buffers[master].size_bytes};
	made.master = master;
	buffers[*copy] = made;
	return Record("duplicate", master, *copy, MixerResult::kOk);
}

MixerResult FakeMixer::Play(MixerBufferId id, bool looping)
{
	const char *op = looping ? "loop" : "play";
	if (lose_next_play) {
		lose_next_play = false;
		return Record(op, id, 0, MixerResult::kBufferLost);
	}
	if (buffers.count(id) == 0)
		return Record(op, id, 0, MixerResult::kInvalidParameter);
	Buffer &buffer = buffers[id];
	buffer.looping = looping;
	if (!Sounding(id)) {
		buffer.playing = true;
		buffer.started_ms = clock_.now_ms;
	}
	return Record(op, id, 0, MixerResult::kOk);
}

MixerResult FakeMixer::Stop(MixerBufferId id)
{
	if (buffers.count(id) == 0)
		return Record("stop", id, 0, MixerResult::kInvalidParameter);
	Sounding(id);
	buffers[id].playing = false;
	return Record("stop", id, 0, MixerResult::kOk);
}

MixerResult FakeMixer::SetCurrentPosition(MixerBufferId id, uint32_t position_bytes)
{
	if (buffers.count(id) == 0 || position_bytes > buffers[id].size_bytes)
		return Record("position", id, position_bytes, MixerResult::kInvalidParameter);
	buffers[id].position_bytes = position_bytes;
	return Record("position", id, position_bytes, MixerResult::kOk);
}

MixerResult FakeMixer::SetFrequency(MixerBufferId id, int32_t frequency_hz)
{
	if (buffers.count(id) == 0 ||
	    (frequency_hz != 0 && (frequency_hz < kMixerMinFrequency || frequency_hz > kMixerMaxFrequency)))
		return Record("frequency", id, frequency_hz, MixerResult::kInvalidParameter);
	buffers[id].frequency_hz = frequency_hz;
	return Record("frequency", id, frequency_hz, MixerResult::kOk);
}

MixerResult FakeMixer::SetVolume(MixerBufferId id, int32_t volume_cb)
{
	if (buffers.count(id) == 0 || volume_cb < kMixerMinVolume || volume_cb > kMixerMaxVolume)
		return Record("volume", id, volume_cb, MixerResult::kInvalidParameter);
	buffers[id].volume_cb = volume_cb;
	return Record("volume", id, volume_cb, MixerResult::kOk);
}

MixerResult FakeMixer::GetPlaying(MixerBufferId id, bool *playing)
{
	*playing = Sounding(id);
	return Record("playing", id, *playing ? 1 : 0,
	              buffers.count(id) ? MixerResult::kOk : MixerResult::kInvalidParameter);
}

void FakeMixer::Release(MixerBufferId id)
{
	if (buffers.count(id) != 0) {
		buffers[id].released = true;
		buffers[id].playing = false;
	}
	Record("release", id, 0, MixerResult::kOk);
}

std::vector<FakeMixer::Call> FakeMixer::CallsOf(const std::string &op) const
{
	std::vector<Call> found;
	for (const Call &call : calls) {
		if (call.op == op)
			found.push_back(call);
	}
	return found;
}

std::vector<std::string> FakeMixer::Transcript(size_t from) const
{
	std::vector<std::string> lines;
	for (size_t i = from; i < calls.size(); ++i) {
		if (calls[i].op == "playing")
			continue;
		lines.push_back(calls[i].op + " " + std::to_string(calls[i].buffer) + " " +
		                std::to_string(calls[i].value));
	}
	return lines;
}

size_t FakeMixer::LiveBuffers() const
{
	size_t live = 0;
	for (const auto &[id, buffer] : buffers)
		live += buffer.released ? 0 : 1;
	return live;
}

} // namespace velira::testing
