#include "speech/speech_output.h"

#include "platform/cp1250.h"
#include "platform/message_pump.h"
#include "platform/services.h"
#include "settings/shared_settings.h"

namespace velira
{

bool voiceReady = false;
bool sapi4Speaking = false;
bool sapi5Speaking = false;

namespace
{

bool IsCapital(uint8_t code)
{
	if (const auto &test = services().capitalLetterTest)
		return test(code);
	return code >= 'A' && code <= 'Z';
}

// The name spoken for a character. A character that the keyboard file does
// not list is spoken as itself, so the user always hears what was typed.
std::string SpokenName(uint8_t code)
{
	if (const auto &lookup = services().echoNameLookup) {
		if (std::optional<std::string> name = lookup(code))
			return *name;
	}
	return std::string(1, static_cast<char>(code));
}

void SpeakNewer(SpeechVoice &voice, const std::string &text, int32_t flags)
{
	int32_t stream = 0;
	CheckSpeechResult(voice.Speak(Utf8FromCp1250(text), flags, stream));
}

void WaitForOlderEngine()
{
	MessagePump &pump = services().Pump();
	pump.ProcessPendingMessages();
	pump.WaitWhile(sapi4Speaking);
}

} // namespace

SpeechObjectSlots &speechObjects()
{
	static SpeechObjectSlots objects;
	return objects;
}

void TTTSNotifySink::AudioStart(uint64_t)
{
	sapi4Speaking = true;
}

void TTTSNotifySink::AudioStop(uint64_t)
{
	sapi4Speaking = false;
}

void voice5StartStream(int32_t, int64_t)
{
	sapi5Speaking = true;
}

void voice5EndStream(int32_t, int64_t)
{
	sapi5Speaking = false;
}

void ConnectVoice5()
{
	SpeechVoice *voice = services().voice5;
	if (voice == nullptr)
		return;
	voice->SetStreamHandlers(voice5StartStream, voice5EndStream);
	voice->SetEventInterests(kAllVoiceEvents);
}

void SpeakAndWait(const std::string &text)
{
	if (useSapi5) {
		if (text.empty())
			return;
		// Without a voice nothing would ever end the wait: the missing voice
		// is raised before the flag is set.
		SpeechVoice &voice = services().Voice5();
		MessagePump &pump = services().Pump();
		sapi5Speaking = true;
		SpeakNewer(voice, text, kSpeakAsync);
		pump.ProcessPendingMessages();
		pump.WaitWhile(sapi5Speaking);
		return;
	}
	SpeechObjectSlots &objects = speechObjects();
	if (voiceAllowed && !text.empty() && objects.central) {
		CheckSpeechResult(objects.central->TextData(text));
		WaitForOlderEngine();
	}
}

void SpeakAsync(const std::string &text)
{
	if (useSapi5) {
		SpeakNewer(services().Voice5(), text, kSpeakAsync);
		return;
	}
	SpeechObjectSlots &objects = speechObjects();
	if (voiceAllowed && !text.empty() && objects.central)
		CheckSpeechResult(objects.central->TextData(text));
}

void SpeakCharacter(const std::string &text)
{
	if (!voiceReady)
		return;
	if (text.empty() || (text.size() == 1 && text[0] == '\0'))
		return;
	const auto code = static_cast<uint8_t>(text[0]);
	if (text.size() == 1 && IsCapital(code))
		services().ToneStatement({2000}, 20, 1);
	const std::string name = SpokenName(code);
	if (name.empty())
		return;
	if (useSapi5) {
		SpeakNewer(services().Voice5(), name, kSpeakAsync | kSpeakIsXml);
		return;
	}
	// voiceReady can outlive a failed engine selection; without a central
	// there is nothing to speak with.
	SpeechObjectSlots &objects = speechObjects();
	if (!objects.central)
		return;
	CheckSpeechResult(objects.central->TextData(name));
	WaitForOlderEngine();
}

void StopSpeech()
{
	if (useSapi5) {
		SpeakNewer(services().Voice5(), std::string(), kSpeakPurgeBeforeSpeak);
		return;
	}
	SpeechObjectSlots &objects = speechObjects();
	if (voiceReady && sapi4Speaking && objects.central)
		CheckSpeechResult(objects.central->AudioReset());
}

void ReleaseCentral()
{
	SpeechObjectSlots &objects = speechObjects();
	objects.attributes = nullptr;
	objects.central.reset();
	sapi4Speaking = false;
}

void ReleaseSpeechObjects()
{
	SpeechObjectSlots &objects = speechObjects();
	ReleaseCentral();
	objects.engineEnum.reset();
	objects.audioDestination.reset();
	objects.selectedMode.reset();
}

void ResetSpeechState()
{
	ReleaseSpeechObjects();
	speechObjects().notifySink.reset();
	speechObjects().registrationKey = 0;
	voiceReady = false;
	sapi4Speaking = false;
	sapi5Speaking = false;
}

void ShutDownSpeech()
{
	ReleaseSpeechObjects();
	if (SpeechVoice *voice = services().voice5)
		voice->Close();
}

void InitSpeech()
{
	ReleaseSpeechObjects();
	TtsObjectFactory *factory = services().speechObjects;
	if (factory == nullptr) {
		voiceAllowed = false;
		return;
	}
	SpeechObjectSlots &objects = speechObjects();
	std::unique_ptr<TtsEnum> engine_enum;
	if (!SpeechFailed(factory->CreateEngineEnum(engine_enum)))
		objects.engineEnum = std::move(engine_enum);
	std::unique_ptr<TtsAudioDestination> destination;
	if (SpeechFailed(factory->CreateAudioDestination(destination)))
		voiceAllowed = false;
	else
		objects.audioDestination = std::move(destination);
}

} // namespace velira
